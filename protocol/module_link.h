#pragma once
// The receive path from the module: the reply state the transfer procedures wait on,
// the dispatcher's line handlers (the block decoder, and the status and message
// handlers feeding the status display), and the receive entry that the port's
// OnRxChar notification calls. The main window owns one for the whole run; the port
// hands every notification to it, and the procedures read what it leaves.

#include <functional>

#include "line_protocol.h"
#include "port_link.h"
#include "reply_state.h"
#include "transfer.h"

class StatusDisplay;

class ModuleLink {
 public:
  // Block replies decode into ReceivedFrame; status and message lines are dropped
  // until a display is installed.
  ModuleLink();
  ModuleLink(const ModuleLink&) = delete;
  ModuleLink& operator=(const ModuleLink&) = delete;

  // Status and message lines go to this display from now on; nullptr drops them.
  void InstallStatusDisplay(StatusDisplay* display);

  // The OnRxChar receiver: reads count bytes from port and dispatches every line they complete.
  void OnReceived(PortLink& port, int count);
  // OnReceived as a notification the port object takes (its OnRxChar).
  std::function<void(PortLink& port, int count)> Receiver();

  // What the procedures need to run over port.
  TransferLink Transfer(PortLink& port, EventPump& pump, TransferView* view = nullptr, UserNotice* notice = nullptr);

  ReplyState& Reply() { return reply_; }

 private:
  ReplyState reply_;
  LineHandlers handlers_;
};
