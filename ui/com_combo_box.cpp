#include "com_combo_box.h"

#include <QEvent>
#include <QStandardItemModel>

#include "dialog_service.h"
#include "serial/com_port.h"
#include "serial/port_info.h"
#include "serial/port_names.h"
#include "text_codec.h"

namespace {

// The list's entries, whose tooltips are made each time one is asked for: filling the
// list opens no port, and a tooltip says how the port is at that moment.
class PortListModel : public QStandardItemModel {
 public:
  using Describer = std::function<QString(const QString& name)>;
  PortListModel(QObject* parent, Describer describe) : QStandardItemModel(parent), describe_(std::move(describe)) {}

  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::ToolTipRole && index.isValid()) return describe_(index.data(Qt::DisplayRole).toString());
    return QStandardItemModel::data(index, role);
  }

 private:
  Describer describe_;
};

}  // namespace

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent), lister_(ListSerialPorts) {
  setModel(new PortListModel(this, [this](const QString& name) { return Describe(name); }));
  // A pure list: the user picks, never types. activated() comes only from the
  // user (mouse, keyboard, wheel), never from the program's own setCurrentIndex.
  setEditable(false);
  connect(this, &QComboBox::activated, this, &TComComboBox::UserSelected);
}

QString TComComboBox::Describe(const QString& name) const {
  const TCustomComPort* port = select_.ComPort;
  const std::string openHere = port != nullptr && port->Connected() ? port->Port() : std::string();
  return FromCp1250(PortDescription(DescribePort(ToCp1250(name), openHere)));
}

bool TComComboBox::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    setToolTip(currentIndex() >= 0 ? itemData(currentIndex(), Qt::ToolTipRole).toString() : QString());
  }
  return QComboBox::event(event);
}

void TComComboBox::SetComProperty(TComProperty property) {
  if (property == select_.ComProperty) return;
  select_.ComProperty = property;
  clear();
  if (property == cpPort) FillPorts();
}

void TComComboBox::FillPorts() {
  std::vector<std::string> names;
  try {
    lister_(names);
  } catch (const EComPort&) {
    // Without a port list the chooser stays empty; connecting still tries the
    // remembered port.
    names.clear();
  }
  for (const std::string& name : names) addItem(FromCp1250(name));
  // Adding the first entry selected it; the binding decides what is shown.
  setCurrentIndex(-1);
  if (count() == 0) return;
  if (select_.ComPort == nullptr) {
    SelectFirstEntry();
  } else {
    ShowPortSetting();
  }
}

void TComComboBox::showPopup() {
  if (select_.ComProperty == cpPort) {
    clear();
    FillPorts();
  }
  QComboBox::showPopup();
}

void TComComboBox::SetComPort(TCustomComPort* port) {
  select_.ComPort = port;
  if (port != nullptr) ShowPortSetting();
}

void TComComboBox::ComPortDestroyed() {
  select_.ComPort = nullptr;
  SelectFirstEntry();
}

void TComComboBox::ShowPortSetting() {
  if (select_.ComPort == nullptr) return;
  // MatchFixedString compares whole texts, ignoring case.
  const int index = findText(FromCp1250(select_.ComPort->Port()), Qt::MatchFixedString);
  setCurrentIndex(index);
  if (index >= 0) select_.Port = ToCp1250(itemText(index));
}

void TComComboBox::SelectFirstEntry() {
  if (count() > 0) setCurrentIndex(0);
}

void TComComboBox::UserSelected(int index) {
  select_.Port = index >= 0 ? ToCp1250(itemText(index)) : std::string();
  if (select_.AutoApply && select_.ComPort != nullptr && select_.ComProperty == cpPort) {
    // A changed name reopens an open port; its failure goes to the general error handler.
    Guarded(window(), [this] { select_.ComPort->SetPort(select_.Port); });
  }
  emit PortApplied();
}
