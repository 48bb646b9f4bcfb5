#include "module_link.h"

#include "block_frame.h"
#include "status_decode.h"

ModuleLink::ModuleLink() {
  handlers_.blockReply = [](const std::string& line) { return DecodeBlockReply(line, ReceivedFrame); };
  InstallStatusDisplay(nullptr);
}

void ModuleLink::InstallStatusDisplay(StatusDisplay* display) {
  handlers_.statusLine = [display](const std::string& line) { HandleStatusLine(line, display); };
  handlers_.messageLine = [display](const std::string& line) { HandleMessageLine(line, display); };
}

void ModuleLink::OnReceived(PortLink& port, int count) { ReceiveBytes(port, count, reply_, handlers_); }

std::function<void(PortLink&, int)> ModuleLink::Receiver() {
  return [this](PortLink& port, int count) { OnReceived(port, count); };
}

TransferLink ModuleLink::Transfer(PortLink& port, EventPump& pump, TransferView* view, UserNotice* notice) {
  return TransferLink{port, reply_, pump, view, notice, {}};
}
