#pragma once
// What the protocol needs of the serial link. The serial port object implements it;
// protocol tests may play it with a fake.

#include <cstdint>
#include <string>

class PortLink {
 public:
  virtual ~PortLink() = default;
  virtual bool Connected() const = 0;
  // Writes all bytes or gives up at the write deadline; returns the count written.
  // Raises the link's error on failure.
  virtual int WriteText(const std::string& text) = 0;
  // Copies up to count waiting bytes without waiting; 0 when none wait.
  virtual int ReadBytes(std::uint8_t* buffer, int count) = 0;
};
