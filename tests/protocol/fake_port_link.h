#pragma once
// A port that plays the serial link for the line protocol: it records every write
// and every read request, and hands out queued bytes.

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/port_link.h"

class FakePortLink : public PortLink {
 public:
  bool connected = true;
  std::vector<std::string> writes;
  std::vector<int> readSizes;  // the count of every ReadBytes call
  std::deque<std::uint8_t> incoming;
  int failOnRead = -1;  // index of the read that raises, -1 for none
  bool failWrites = false;

  bool Connected() const override { return connected; }

  int WriteText(const std::string& text) override {
    if (failWrites) throw std::runtime_error("WriteFile function failed");
    writes.push_back(text);
    return static_cast<int>(text.size());
  }

  int ReadBytes(std::uint8_t* buffer, int count) override {
    const int index = static_cast<int>(readSizes.size());
    readSizes.push_back(count);
    if (index == failOnRead) throw std::runtime_error("ReadFile function failed");
    int n = 0;
    while (n < count && !incoming.empty()) {
      buffer[n++] = incoming.front();
      incoming.pop_front();
    }
    return n;
  }

  void Queue(const std::string& bytes) { incoming.insert(incoming.end(), bytes.begin(), bytes.end()); }
};
