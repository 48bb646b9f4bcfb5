// What the module link adds to the line protocol: the decoder and handlers it
// installs, reached from the wire through its receive entry.

#include "protocol/module_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_port_link.h"
#include "protocol/block_frame.h"
#include "protocol/status_decode.h"

namespace {

struct RecordingDisplay : StatusDisplay {
  std::vector<int> signals;
  std::vector<std::string> messages;
  void ShowStatus(const ModuleStatus& status) override { signals.push_back(status.signal); }
  void AddMessage(const std::string& text) override { messages.push_back(text); }
};

void Receive(ModuleLink& link, FakePortLink& port, const std::string& bytes) {
  port.Queue(bytes);
  link.Receiver()(port, static_cast<int>(bytes.size()));
}

// The module's reply for erased block 3: checksum 0x7F83 least significant byte first.
std::string ErasedBlock3Reply() {
  ImageBytes erased;
  erased.fill(0xFF);
  BlockFrame frame = BuildFrame(erased, 3);
  frame[266] = 0x83, frame[267] = 0x7F, frame[268] = 0, frame[269] = 0;
  return "RDFL" + FrameToHex(frame);
}

TEST(ModuleLink, BlockRepliesDecodeIntoTheReceivedFrame) {
  ModuleLink link;
  FakePortLink port;
  ReceivedFrame.fill(0);
  Receive(link, port, ErasedBlock3Reply() + "\r\n");
  EXPECT_EQ(link.Reply().blockGood, 1);
  EXPECT_EQ(link.Reply().blockBad, 0);
  EXPECT_EQ(ReceivedFrame[kFrameBlockNumber], 3);
  EXPECT_EQ(ReceivedFrame[0], 0xFF);

  ModuleLink second;
  Receive(second, port, ErasedBlock3Reply().substr(0, 543) + "\r");  // one digit short
  EXPECT_EQ(second.Reply().blockGood, 0);
  EXPECT_EQ(second.Reply().blockBad, 1);
}

TEST(ModuleLink, StatusAndMessageLinesReachTheInstalledDisplayOnly) {
  ModuleLink link;
  FakePortLink port;
  RecordingDisplay display;
  Receive(link, port, "[0010,O,9]\r<dropped>\r");
  link.InstallStatusDisplay(&display);
  Receive(link, port, "[0010,O,9]\r\n<hello>\r<broken\r[1011,5,0\r<>\r");
  link.InstallStatusDisplay(nullptr);
  Receive(link, port, "[0010,5,9]\r<after>\r");
  EXPECT_EQ(display.signals, std::vector<int>{31});
  EXPECT_EQ(display.messages, (std::vector<std::string>{"hello", ""}));
}

}  // namespace
