#pragma once
// The port chooser: a drop-down list of the machine's serial ports bound to a port
// object. It shows the port the object is set to, and the user's choice is handed
// to the object at once (an open connection moves to the new port). Each entry is a
// bare COM name; its tooltip describes the port (PortDescription), made when the
// tooltip is asked for, since looking whether a port is free opens it.

#include <QComboBox>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class TCustomComPort;

// Which setting of the port object the list edits: none yet, or the port. The
// other settings of the port are fixed.
enum TComProperty { cpNone, cpPort };

// The chooser's binding.
struct TComSelect {
  TCustomComPort* ComPort = nullptr;
  TComProperty ComProperty = cpNone;
  bool AutoApply = false;
  std::string Port;  // the chooser's own copy of the chosen port name
};

class TComComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TComComboBox(QWidget* parent = nullptr);

  const TComSelect& ComSelect() const { return select_; }

  // Where the port names come from; ListSerialPorts unless a test says otherwise.
  using PortLister = std::function<void(std::vector<std::string>& list)>;
  void SetPortLister(PortLister lister) { lister_ = std::move(lister); }

  // Becoming cpPort empties the list and fills it once with the machine's ports.
  void SetComProperty(TComProperty property);
  // Binding shows the port's setting; nullptr unbinds.
  void SetComPort(TCustomComPort* port);
  void SetAutoApply(bool autoApply) { select_.AutoApply = autoApply; }
  // The bound object is going away: unbind and select the first entry.
  void ComPortDestroyed();

  // Selects the entry equal to the bound port's name (ignoring case), or none.
  // Hands nothing to the port.
  void ShowPortSetting();
  // A selection made by the program itself: hands nothing to the port.
  void SelectFirstEntry();

  // The list is made afresh each time it opens, so an adapter plugged in after the
  // start can be chosen; the chosen entry stays chosen while it is there, and nothing
  // is handed to the port.
  void showPopup() override;

 protected:
  // The closed list's tooltip describes the chosen entry as it is now.
  bool event(QEvent* event) override;

 signals:
  // After the user's choice was handed to the port, whether or not that worked,
  // so the owner can follow the port's real state.
  void PortApplied();

 private:
  void FillPorts();
  void UserSelected(int index);
  // The port described for a person; the bound port, when it is open, is not opened again.
  QString Describe(const QString& name) const;

  TComSelect select_;
  PortLister lister_;
};
