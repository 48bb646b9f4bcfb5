#pragma once
// The port object wired to a module link the way the main window wires them: what
// the transfer tests, the soak and the benchmark run their procedures over.

#include <string>

#include "protocol/module_link.h"
#include "serial/com_port.h"
#include "serial/thread_sync.h"

class LinkedPort {
 public:
  LinkedPort();
  // Closes the port; a last purge that fails on a line gone away is no test failure.
  ~LinkedPort();
  LinkedPort(const LinkedPort&) = delete;
  LinkedPort& operator=(const LinkedPort&) = delete;

  void Connect(const std::string& comName);

  ThreadSync sync;  // before the port: closing it serves hand-offs
  ModuleLink link;
  TComPort port{sync};
};
