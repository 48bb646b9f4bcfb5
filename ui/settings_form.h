#pragma once
// The settings editor: five phone numbers, the outside-line prefix, nine event
// codes and ten SMS texts, edited in character grids and text fields.

#include <QDialog>

#include "params/parameter_image.h"

class TSettingsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSettingsForm(QWidget* parent = nullptr);

  // Fills the grids and SMS fields.
  void SetValues(const EditorValues& values);
  // What the grids and SMS fields hold now.
  EditorValues Values() const;

 private:
  void btSettingOKClick();
  void btSettingCancelClick();

  EditorValues values_;
};
