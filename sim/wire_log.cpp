#include "wire_log.h"

#include <chrono>
#include <cstdio>

WireLog::~WireLog() { Write(); }

void WireLog::Note(std::string_view text, Time at) {
  Write();
  out_ << TimeOfDayText(at) << " -- " << text << std::endl;
}

void WireLog::Add(Direction direction, std::string_view bytes, Time at) {
  if (direction != direction_) Write();
  while (!bytes.empty()) {
    // Up to the end of a line: CR, LF, or CR LF in one piece.
    std::size_t take = bytes.find_first_of("\r\n");
    const bool lineEnds = take != std::string_view::npos;
    if (!lineEnds) {
      take = bytes.size();
    } else {
      take += bytes[take] == '\r' && take + 1 < bytes.size() && bytes[take + 1] == '\n' ? 2 : 1;
    }
    if (pieces_ == 0) first_ = at;
    direction_ = direction;
    bytes_ += bytes.substr(0, take);
    last_ = at;
    ++pieces_;
    bytes.remove_prefix(take);
    if (lineEnds) Write();
  }
}

void WireLog::Write() {
  if (pieces_ == 0) return;
  out_ << TimeOfDayText(first_) << (direction_ == Direction::kIn ? " in  \"" : " out \"") << ReadableBytes(bytes_)
       << '"';
  if (pieces_ > 1) {
    char span[80];
    const std::chrono::duration<double, std::milli> over = last_ - first_;
    std::snprintf(span, sizeof span, " (%zu bytes in %d pieces over %.1f ms)", bytes_.size(), pieces_, over.count());
    out_ << span;
  }
  // Each record goes out whole at once: a module killed mid-run leaves every record it made.
  out_ << std::endl;
  bytes_.clear();
  pieces_ = 0;
  direction_ = Direction::kNone;
}

std::string TimeOfDayText(WireLog::Time at) {
  // The system clock counts days of 86,400 s since midnight UTC, so the time of day needs
  // no calendar (nor gmtime_r, which Windows lacks).
  const auto micros = std::chrono::floor<std::chrono::microseconds>(at.time_since_epoch());
  const auto day = std::chrono::floor<std::chrono::days>(micros);
  const std::chrono::hh_mm_ss<std::chrono::microseconds> time(micros - day);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06lld", static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<long long>(time.subseconds().count()));
  return text;
}

std::string ReadableBytes(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      text += hex;
    }
  }
  return text;
}
