#include "settings_form.h"

TSettingsForm::TSettingsForm(QWidget* parent) : QDialog(parent) {}

void TSettingsForm::SetValues(const EditorValues& values) { values_ = values; }

EditorValues TSettingsForm::Values() const { return values_; }

void TSettingsForm::btSettingOKClick() {
  StoreAll(ParameterImage, Values());
  accept();
}

void TSettingsForm::btSettingCancelClick() { reject(); }
