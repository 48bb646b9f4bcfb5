#pragma once
// What crosses the simulated module's line, written as it happens, so that a run that
// failed shows both sides: one record per line of the protocol and direction, stamped
// with the time (UTC) its first byte crossed, the bytes readable.
//
//   03:12:45.123456 in  "RDFL0001\r"
//   03:12:45.129870 out "RDFL00FF...\r" (545 bytes in 272 pieces over 283.4 ms)
//   03:12:45.413302 out "\n"

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>

class WireLog {
 public:
  using Time = std::chrono::system_clock::time_point;

  explicit WireLog(std::ostream& out) : out_(out) {}
  ~WireLog();  // writes the record still gathering
  WireLog(const WireLog&) = delete;
  WireLog& operator=(const WireLog&) = delete;

  // Bytes that crossed at the time given, in pieces as the line delivered them. A
  // record ends after CR, LF or CR LF, or when the other side speaks.
  void Received(std::string_view bytes, Time at) { Add(Direction::kIn, bytes, at); }
  void Sent(std::string_view bytes, Time at) { Add(Direction::kOut, bytes, at); }
  // A line of its own, such as the hang-up.
  void Note(std::string_view text, Time at);

 private:
  enum class Direction { kNone, kIn, kOut };
  void Add(Direction direction, std::string_view bytes, Time at);
  void Write();

  std::ostream& out_;
  Direction direction_ = Direction::kNone;
  std::string bytes_;
  Time first_{};
  Time last_{};
  int pieces_ = 0;
};

// "03:12:45.123456": the time of day in UTC, to the microsecond.
std::string TimeOfDayText(WireLog::Time at);
// The bytes as a C string literal holds them: printable ASCII as it is; CR, LF, the
// quote and the backslash escaped; any other byte as \xHH.
std::string ReadableBytes(std::string_view bytes);
