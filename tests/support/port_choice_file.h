#pragma once
// The port choice file as the program saves it once a port is chosen: a table of two
// columns 20 wide, the port in the first cell. The tests write it and compare with it
// through here; scripts/window_driver.sh has the same bytes for the scripts.

#include <string>

inline std::string PortChoiceFile(const std::string& port) {
  return "2,1\r\ncw 0,20\r\ncw 1,20\r\n0,0," + port + "\r\n";
}
