// DecodeStatusLine and DecodeMessageLine on arbitrary lines: never a crash, and
// a line is taken exactly when its frame is right (status: at least nine
// characters, "[", "," at 5 and 7, "]" last; message: "<" first, ">" last).

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_temp_file.h"
#include "protocol/status_decode.h"

namespace {

bool IsKnownColour(const Rgb& c) { return c == kBlack || c == kRed || c == kGreen || c == kBlue; }

void CheckStatus(const std::string& line) {
  const auto status = DecodeStatusLine(line);
  const bool framed = line.size() >= 9 && line.front() == '[' && line[5] == ',' && line[7] == ',' && line.back() == ']';
  if (status.has_value() != framed) FuzzFail("status line taken or refused against its frame");
  if (!status) return;
  if (status->signal != static_cast<unsigned char>(line[6]) - '0') FuzzFail("signal is not the character less 48");
  for (const StatusItem* item : {&status->in1, &status->in2, &status->wiredLine, &status->callState}) {
    if (item->text.empty() || !IsKnownColour(item->colour)) FuzzFail("a display item has no text or an odd colour");
  }
}

void CheckMessage(const std::string& line) {
  const auto text = DecodeMessageLine(line);
  const bool framed = line.size() >= 2 && line.front() == '<' && line.back() == '>';
  if (text.has_value() != framed) FuzzFail("message line taken or refused against its frame");
  if (text && *text != line.substr(1, line.size() - 2)) FuzzFail("message text is not the line without its brackets");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  CheckStatus(line);
  CheckMessage(line);
  return 0;
}
