#pragma once
// The tests' side of the pseudo-terminal broker under Wine (tests/win32/pty_broker.py,
// its TCP port in KELVARO_PTY_BROKER): connections, command lines, and the spooler's
// port list in the registry that goes with each linked COM name.

#include <string>

// A new connection to the broker; raises std::runtime_error when there is none.
int BrokerConnect();
void BrokerClose(int& connection);
void BrokerSend(int connection, const std::string& bytes);
// Sends one command line and returns what follows "ok"; raises on "error".
std::string BrokerAsk(int connection, const std::string& line);
// True when the connection has something to read within timeoutMs.
bool BrokerReadable(int connection, long timeoutMs);

// Puts comName into the spooler's port list (the registry's Ports key), or takes it out.
void ListPort(const std::string& comName, bool listed);
// A Linux path as Wine's Z: drive shows it.
std::string WindowsPathOf(const std::string& unixPath);
