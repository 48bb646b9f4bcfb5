#pragma once
// A client of the simulated module that is not the tool: a plain raw descriptor on
// the module's COM link, reading with deadlines.

#include <chrono>
#include <string>
#include <string_view>

class RawClient {
 public:
  explicit RawClient(const std::string& path);  // fails the test when it cannot open
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Writes every byte; the errno of a failed write, or 0.
  int Send(std::string_view bytes);
  // Reads until `lines` lines ending CR LF came in or the timeout passed; all bytes read.
  std::string ReadLines(int lines, std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Reads until the other side has hung up (a read gives end of file or an error);
  // false when it has not within the timeout.
  bool WaitHangUp(std::chrono::milliseconds timeout = std::chrono::seconds(5));

 private:
  int fd_ = -1;
};
