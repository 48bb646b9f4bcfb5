#include "settings_form.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <algorithm>

#include "char_grid.h"
#include "form_style.h"
#include "params/editor_rules.h"
#include "params/field_map.h"
#include "text_codec.h"

namespace {

const QString kCaption = QStringLiteral("Harnvik  -  Beállítások");
const QString kPhoneGroupCaption = QStringLiteral(" Telefonszámok ");
const QString kSmsGroupCaption = QStringLiteral(" SMS beállítások");
const QString kEventHeading = QStringLiteral("eseménykód");
const QString kSmsHeading = QStringLiteral("SMS üzenetek szövege");
const QString kOkCaption = QStringLiteral("Beállítások Rögzítése");
const QString kCancelCaption = QStringLiteral("Beállítások Visszavonása");

constexpr QSize kClientSize(444, 501);

// Layout, in pixels of the client area.
constexpr int kMargin = 6;
constexpr int kGroupWidth = kClientSize.width() - 2 * kMargin;
constexpr int kPhoneGroupTop = 6;
constexpr int kPhoneGroupHeight = 166;
constexpr int kPhoneFirstRow = 22;
constexpr int kPhoneRowPitch = 24;
constexpr int kSmsGroupTop = kPhoneGroupTop + kPhoneGroupHeight + 6;
constexpr int kSmsGroupHeight = 274;
constexpr int kSmsHeadingTop = 18;
constexpr int kSmsFirstRow = 36;
constexpr int kSmsRowPitch = 23;
constexpr int kInnerMargin = 10;
constexpr int kSmsLeft = 86;
constexpr int kFieldHeight = 21;
constexpr int kButtonTop = kSmsGroupTop + kSmsGroupHeight + 12;
constexpr int kButtonWidth = 200;
constexpr int kButtonHeight = 28;

// The field's row label, which also names its grid or text field for assistive tools.
QString FieldLabel(const std::string& key) {
  for (const ImageField& field : ImageFields()) {
    if (field.key == key) return FromCp1250(field.label);
  }
  return {};
}

// Refuses, as they are typed or pasted, characters an SMS text cannot hold, so storing
// never alters a text silently.
class SmsTextValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    const QList<uint> chars = input.toUcs4();
    return std::all_of(chars.begin(), chars.end(), IsSmsTextChar) ? Acceptable : Invalid;
  }
};

bool IsDigit(QChar c) { return IsDigitCellChar(c.unicode()); }

// Backspace in every grid: one column left unless in the first, then empty the
// cells from there to the last.
void BackspaceCells(TCharGrid& grid) {
  if (grid.Col() > 0) grid.SetCol(grid.Col() - 1);
  for (int col = grid.Col(); col < grid.ColCount(); ++col) grid.SetCell(col, QString());
}

// A character accepted into the current cell; the column moves right unless it is the last.
void PutInCurrentCell(TCharGrid& grid, QChar key) {
  grid.SetCell(grid.Col(), QString(key));
  if (grid.Col() + 1 < grid.ColCount()) grid.SetCol(grid.Col() + 1);
}

template <std::size_t N>
QStringList ToCellTexts(const std::array<std::string, N>& cells) {
  QStringList texts;
  for (const std::string& cell : cells) texts.append(FromCp1250(cell));
  return texts;
}

template <std::size_t N>
std::array<std::string, N> FromGrid(const TCharGrid& grid) {
  std::array<std::string, N> cells;
  for (std::size_t col = 0; col < N; ++col) cells[col] = ToCp1250(grid.Cell(static_cast<int>(col)));
  return cells;
}

}  // namespace

TSettingsForm::TSettingsForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SettingsForm"));
  setWindowTitle(kCaption);
  setFont(FormFont());
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientSize);
  CentreOnScreenWhenShown(*this);

  auto* phones = new QGroupBox(kPhoneGroupCaption, this);
  phones->setObjectName(QStringLiteral("gbPhoneNumbers"));
  phones->setGeometry(kMargin, kPhoneGroupTop, kGroupWidth, kPhoneGroupHeight);
  acgUSER1 = AddDigitGrid(phones, 0, "acgUSER1", "user1", kPhoneCells);
  acgUSER2 = AddDigitGrid(phones, 1, "acgUSER2", "user2", kPhoneCells);
  acgSMSFW1 = AddDigitGrid(phones, 2, "acgSMSFW1", "smsfw1", kPhoneCells);
  acgSMSFW2 = AddDigitGrid(phones, 3, "acgSMSFW2", "smsfw2", kPhoneCells);
  acgAUTODIAL = AddDigitGrid(phones, 4, "acgAUTODIAL", "autodial", kPhoneCells);
  acgNETPREFIX = AddDigitGrid(phones, 5, "acgNETPREFIX", "prefix", kPrefixCells);

  auto* sms = new QGroupBox(kSmsGroupCaption, this);
  sms->setObjectName(QStringLiteral("gbSmsSettings"));
  sms->setGeometry(kMargin, kSmsGroupTop, kGroupWidth, kSmsGroupHeight);
  auto* eventHeading = new QLabel(kEventHeading, sms);
  eventHeading->setObjectName(QStringLiteral("lbEventCode"));
  eventHeading->move(kInnerMargin - 2, kSmsHeadingTop);
  auto* smsHeading = new QLabel(kSmsHeading, sms);
  smsHeading->setObjectName(QStringLiteral("lbSmsText"));
  smsHeading->move(kSmsLeft, kSmsHeadingTop);
  for (std::size_t i = 0; i < kSmsTextCount; ++i) {
    const int top = kSmsFirstRow + static_cast<int>(i) * kSmsRowPitch;
    const QString number = QString::number(i + 1);
    auto* field = new QLineEdit(sms);
    field->setObjectName(QStringLiteral("edSMS") + number);
    field->setAccessibleName(FieldLabel("sms" + number.toStdString()));
    field->setMaxLength(static_cast<int>(kSmsMaxLength));
    field->setValidator(new SmsTextValidator(field));
    field->setGeometry(kSmsLeft, top, kGroupWidth - kSmsLeft - kInnerMargin, kFieldHeight);
    edSMS[i] = field;
    if (i < kEventCodeCount) {
      auto* grid = new TCharGrid(static_cast<int>(kEventCells), sms);
      grid->setObjectName(QStringLiteral("acgEvent") + number);
      grid->setAccessibleName(FieldLabel("event" + number.toStdString()));
      grid->move(kInnerMargin, top + (kFieldHeight - grid->height()) / 2);
      grid->SetCellColorRole(0, QPalette::ToolTipBase);
      grid->OnKeyPress = acgEvent1KeyPress;
      grid->OnCellValidate = acgEvent1CellValidate;
      acgEvent[i] = grid;
      // Tab goes from each code to its text.
      if (i > 0) setTabOrder(edSMS[i - 1], grid);
      setTabOrder(grid, field);
    } else {
      auto* label = new QLabel(FieldLabel("sms" + number.toStdString()), sms);
      label->setObjectName(QStringLiteral("lbIN2"));
      label->setGeometry(kInnerMargin - 2, top, kSmsLeft - kInnerMargin, kFieldHeight);
      label->setBuddy(field);
      setTabOrder(edSMS[i - 1], field);
    }
  }

  btSettingOK = MakeButton(this, "btSettingOK", kOkCaption, QRect(kMargin, kButtonTop, kButtonWidth, kButtonHeight),
                           ButtonWeight::Normal);
  btSettingCancel =
      MakeButton(this, "btSettingCancel", kCancelCaption,
                 QRect(kClientSize.width() - kMargin - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight),
                 ButtonWeight::Normal);

  connect(btSettingOK, &QPushButton::clicked, this, &TSettingsForm::btSettingOKClick);
  connect(btSettingCancel, &QPushButton::clicked, this, &TSettingsForm::btSettingCancelClick);
}

TCharGrid* TSettingsForm::AddDigitGrid(QWidget* group, int row, const char* name, const char* key, int cells) {
  const int top = kPhoneFirstRow + row * kPhoneRowPitch;
  const QString caption = FieldLabel(key);
  auto* grid = new TCharGrid(cells, group);
  grid->setObjectName(QLatin1String(name));
  grid->setAccessibleName(caption);
  grid->move(kGroupWidth - kInnerMargin - grid->width(), top);
  grid->OnKeyPress = acgUSER1KeyPress;
  grid->OnCellValidate = acgUSER1CellValidate;
  auto* label = new QLabel(caption, group);
  label->setObjectName(QStringLiteral("lb") + QLatin1String(name).mid(3));
  label->setGeometry(kInnerMargin - 2, top, grid->x() - kInnerMargin, grid->height());
  label->setBuddy(grid);
  return grid;
}

void TSettingsForm::acgUSER1KeyPress(TCharGrid& grid, QChar& key) {
  if (key == TCharGrid::kBackspace)
    BackspaceCells(grid);
  else if (IsDigit(key))
    PutInCurrentCell(grid, key);
  key = QChar();
  // One step and straight back after every key: this closes the in-place editor and
  // validates what was typed, so the cells always hold single digits.
  const int col = grid.Col();
  grid.SetCol(col == 0 ? col + 1 : col - 1);
  grid.SetCol(col);
}

void TSettingsForm::acgEvent1KeyPress(TCharGrid& grid, QChar& key) {
  if (key == TCharGrid::kBackspace)
    BackspaceCells(grid);
  else if (const char32_t kept = EventCellChar(key.unicode()))
    PutInCurrentCell(grid, QChar(static_cast<char16_t>(kept)));
  key = QChar();
}

void TSettingsForm::acgUSER1CellValidate(TCharGrid&, int, int, QString& text, bool& valid) {
  text = !text.isEmpty() && IsDigit(text[0]) ? text.left(1) : QString();
  valid = true;
}

void TSettingsForm::acgEvent1CellValidate(TCharGrid&, int, int, QString& text, bool& valid) {
  const char32_t kept = text.isEmpty() ? 0 : EventCellChar(text[0].unicode());
  text = kept ? QString(QChar(static_cast<char16_t>(kept))) : QString();
  valid = true;
}

void TSettingsForm::SetValues(const EditorValues& values) {
  acgUSER1->LoadCells(ToCellTexts(values.user1));
  acgUSER2->LoadCells(ToCellTexts(values.user2));
  acgSMSFW1->LoadCells(ToCellTexts(values.smsFw1));
  acgSMSFW2->LoadCells(ToCellTexts(values.smsFw2));
  acgAUTODIAL->LoadCells(ToCellTexts(values.autoDial));
  acgNETPREFIX->LoadCells(ToCellTexts(values.prefix));
  for (std::size_t i = 0; i < kEventCodeCount; ++i) acgEvent[i]->LoadCells(ToCellTexts(values.events[i]));
  for (std::size_t i = 0; i < kSmsTextCount; ++i) edSMS[i]->setText(FromCp1250(values.sms[i]));
}

EditorValues TSettingsForm::Values() const {
  EditorValues values;
  values.user1 = FromGrid<kPhoneCells>(*acgUSER1);
  values.user2 = FromGrid<kPhoneCells>(*acgUSER2);
  values.smsFw1 = FromGrid<kPhoneCells>(*acgSMSFW1);
  values.smsFw2 = FromGrid<kPhoneCells>(*acgSMSFW2);
  values.autoDial = FromGrid<kPhoneCells>(*acgAUTODIAL);
  values.prefix = FromGrid<kPrefixCells>(*acgNETPREFIX);
  for (std::size_t i = 0; i < kEventCodeCount; ++i) values.events[i] = FromGrid<kEventCells>(*acgEvent[i]);
  for (std::size_t i = 0; i < kSmsTextCount; ++i) values.sms[i] = ToCp1250(edSMS[i]->text());
  return values;
}

void TSettingsForm::keyPressEvent(QKeyEvent* event) {
  // Only the two buttons and the close box end the editor; Esc does not.
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

void TSettingsForm::btSettingOKClick() {
  StoreAll(ParameterImage, Values());
  accept();
}

void TSettingsForm::btSettingCancelClick() { reject(); }
