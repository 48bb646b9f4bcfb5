#pragma once
// The settings editor: five phone numbers, the outside-line prefix, nine event
// codes and ten SMS texts, edited in character grids and text fields. The
// transfer window fills it from the image; accepting stores it back.

#include <QDialog>
#include <array>

#include "params/parameter_image.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TCharGrid;

class TSettingsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSettingsForm(QWidget* parent = nullptr);

  // Fills the grids and SMS fields.
  void SetValues(const EditorValues& values);
  // What the grids and SMS fields hold now.
  EditorValues Values() const;

  // The key handling and cell validation shared by the six digit grids and by the
  // nine event-code grids.
  static void acgUSER1KeyPress(TCharGrid& grid, QChar& key);
  static void acgEvent1KeyPress(TCharGrid& grid, QChar& key);
  static void acgUSER1CellValidate(TCharGrid& grid, int col, int row, QString& text, bool& valid);
  static void acgEvent1CellValidate(TCharGrid& grid, int col, int row, QString& text, bool& valid);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // A row of the phone group: its label (from the editor's field labels) and its grid.
  TCharGrid* AddDigitGrid(QWidget* group, int row, const char* name, const char* key, int cells);
  void btSettingOKClick();
  void btSettingCancelClick();

  TCharGrid* acgUSER1;
  TCharGrid* acgUSER2;
  TCharGrid* acgSMSFW1;
  TCharGrid* acgSMSFW2;
  TCharGrid* acgAUTODIAL;
  TCharGrid* acgNETPREFIX;
  std::array<TCharGrid*, kEventCodeCount> acgEvent{};
  std::array<QLineEdit*, kSmsTextCount> edSMS{};
  QPushButton* btSettingOK;
  QPushButton* btSettingCancel;
};
