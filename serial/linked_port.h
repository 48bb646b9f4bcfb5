#pragma once
// The port object wired to a module link the way the main window wires them: what
// the command-line tool, the transfer tests and the benchmark run the procedures over.

#include <string>

#include "com_port.h"
#include "protocol/module_link.h"
#include "thread_sync.h"

class LinkedPort {
 public:
  // Received bytes go to the link's receive entry; each opening starts the link on an
  // empty line.
  LinkedPort();
  // Closes the port; a last purge that fails on a line gone away has nobody to tell.
  ~LinkedPort();
  LinkedPort(const LinkedPort&) = delete;
  LinkedPort& operator=(const LinkedPort&) = delete;

  void Connect(const std::string& comName);

  ThreadSync sync;  // before the port: closing it serves hand-offs
  ModuleLink link;
  TComPort port{sync};
};
