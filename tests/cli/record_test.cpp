// The record's lines as written, read back, and laid out by log.

#include "cli/record.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

RecordEntry Entry(const char* time, const char* command, const char* port, const char* outcome) {
  RecordEntry entry;
  entry.time = time;
  entry.command = command;
  entry.port = port;
  entry.outcome = outcome;
  return entry;
}

const RecordEntry kFailed = [] {
  RecordEntry entry = Entry("2026-12-08T09:30:00Z", "write", "COM7", kOutcomeFailed);
  entry.device = "/dev/ttyUSB0";
  entry.site = "Kovács";
  entry.imageFile = "t.HVK";
  entry.sha256 = "5f4ecdb7b71c3e403983fe405cddcdc2f2576b655fdb3e80d94a6f7c32e58bc2";
  entry.block = 3;
  entry.cause = "refused by the module (WRFLERR)";
  return entry;
}();
const RecordEntry kDiffers = [] {
  RecordEntry entry = Entry("2026-12-08T09:31:00Z", "compare", "COM12", kOutcomeDiffers);
  entry.stableName = "/dev/serial/by-id/usb-x";
  std::tie(entry.differences, entry.otherBytes) = std::pair(std::vector<std::string>{"user1", "sms2"}, 2);
  return entry;
}();

TEST(RecordLine, WritesEveryKeyInOrderWithNullForNone) {
  EXPECT_EQ(RecordLine(kDiffers),
            "{\"time\":\"2026-12-08T09:31:00Z\",\"command\":\"compare\",\"port\":\"COM12\",\"device\":null,"
            "\"stableName\":\"/dev/serial/by-id/usb-x\",\"site\":null,\"image\":null,\"sha256\":null,"
            "\"outcome\":\"differs\",\"block\":null,\"cause\":null,\"differences\":[\"user1\",\"sms2\"],"
            "\"otherBytes\":2}\n");
}

// Lines that are not ours are numbered and left out.
TEST(ReadRecord, GivesBackWhatWasWrittenAndNumbersTheRest) {
  const RecordReading reading =
      ReadRecord(RecordLine(kFailed) + "garbage\n\n[1]\n{\"time\":\"t\",\"outcome\":\"ok\"}\n" + RecordLine(kDiffers));
  EXPECT_EQ(reading.entries, (std::vector<RecordEntry>{kFailed, kDiffers}));
  EXPECT_EQ(reading.strangeLines, (std::vector<std::size_t>{2, 4, 5}));
}

TEST(LogTable, LinesUpTheColumnsInCharacters) {
  EXPECT_EQ(LogTable({kFailed, kDiffers}),
            "time                  command  port   device                   site    image  sha256        outcome  "
            "details\n"
            "2026-12-08T09:30:00Z  write    COM7   /dev/ttyUSB0             Kovács  t.HVK  5f4ecdb7b71c  failed   "
            "block 3: refused by the module (WRFLERR)\n"
            "2026-12-08T09:31:00Z  compare  COM12  /dev/serial/by-id/usb-x                               differs  "
            "user1 sms2 +2 bytes\n");
}

}  // namespace
