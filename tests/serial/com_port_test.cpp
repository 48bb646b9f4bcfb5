// The port object over real pseudo-terminals; the test thread plays the
// user-interface thread and the pty master plays the module.

#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "serial/com_port.h"
#include "serial/com_port_internal.h"
#include "serial/sync_pump.h"
#include "tests/support/descriptor_count.h"
#include "tests/support/pty_pair.h"
#include "tests/support/raised.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Message(int number, int code) {
  return ComErrorText(number) + " (win error code: " + std::to_string(code) + ")";
}

class ComPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pty.LinkAs("COM5");
    port.SetPort("COM5");
  }

  // The module's receiver: reads exactly the bytes it is told of, one at a time.
  void ReceiveCounted() {
    port.OnRxChar = [this](TCustomComPort& sender, int count) {
      counts.push_back(count);
      for (int i = 0; i < count; ++i) {
        std::uint8_t byte;
        if (sender.ReadBytes(&byte, 1) == 1) received += static_cast<char>(byte);
      }
    };
  }

  bool Serve(const std::function<bool()>& done) { return loop.PumpUntil(done, std::chrono::seconds(5)); }

  TempConfigHome config;
  PtyPair pty;
  ThreadSync sync;
  TComPort port{sync};
  SyncPump loop{sync};
  std::vector<int> counts;
  std::string received;
};

TEST_F(ComPortTest, OpensClosesAndReopens) {
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
  EXPECT_TRUE(port.ThreadRunning());
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.ThreadRunning());
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
  EXPECT_TRUE(port.ThreadRunning());
}

TEST_F(ComPortTest, WritingTheCurrentConnectedValueDoesNothing) {
  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
  port.SetConnected(true);
  // A second opening would fail against our own lock.
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
  EXPECT_TRUE(port.ThreadRunning());
}

TEST_F(ComPortTest, SecondOpenerFailsWithError1) {
  port.SetConnected(true);
  TComPort other(sync);
  other.SetPort("COM5");
  const auto error = Raised<EComPort>([&] { other.SetConnected(true); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->ErrorNumber(), CE_OpenFailed);
  // EBUSY from the exclusive tty, or EWOULDBLOCK from the lock for a privileged opener.
  EXPECT_TRUE(error->PlatformCode() == EBUSY || error->PlatformCode() == EWOULDBLOCK) << error->PlatformCode();
  EXPECT_EQ(error->what(), Message(1, error->PlatformCode()));
  EXPECT_FALSE(other.Connected());
  EXPECT_FALSE(other.ThreadRunning());
  EXPECT_TRUE(port.Connected());
  // Released on closing.
  port.SetConnected(false);
  other.SetConnected(true);
  EXPECT_TRUE(other.Connected());
}

// A dangling link, and a name above the fixed table without a link: no device, and
// never another port in its place.
TEST_F(ComPortTest, MissingDeviceGivesError2AndOpensOnceItAppears) {
  LinkPort("COM7", config.Path() + "/absent");
  for (const char* name : {"COM7", "COM200"}) {
    port.SetPort(name);
    const auto error = Raised<EComPort>([&] { port.SetConnected(true); });
    ASSERT_TRUE(error) << name;
    EXPECT_EQ(error->ErrorNumber(), CE_OpenFailed);
    EXPECT_EQ(error->PlatformCode(), ENOENT);
    EXPECT_STREQ(error->what(), "Unable to open com port (win error code: 2)");
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(port.ThreadRunning());
  }
  PtyPair later;
  later.LinkAs("COM200");
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, LineSettingsReadBack) {
  port.SetConnected(true);
  termios t{};
  ASSERT_EQ(::tcgetattr(pty.Slave(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(cfgetispeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_iflag & (ICRNL | IGNCR | INLCR | IXON | IXOFF | INPCK | ISTRIP), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST_F(ComPortTest, WrittenBytesArriveUnchanged) {
  port.SetConnected(true);
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string text = "RDFL000\r" + all;
  EXPECT_EQ(port.WriteText(text), static_cast<int>(text.size()));
  EXPECT_EQ(pty.Receive(text.size(), 2s), text);
  EXPECT_EQ(port.WriteText(""), 0);
}

TEST_F(ComPortTest, ReceivedBytesArriveThroughOnRxChar) {
  ReceiveCounted();
  port.SetConnected(true);
  const std::string line = std::string("STAT 1,0\r\n", 10) + std::string("\0\xFF\x1A", 3);
  pty.Send(line);
  ASSERT_TRUE(Serve([&] { return received.size() >= line.size(); }));
  EXPECT_EQ(received, line);
  for (int count : counts) EXPECT_GE(count, 1);
}

TEST_F(ComPortTest, BytesArrivingTogetherComeAsOneNotification) {
  ReceiveCounted();
  port.SetConnected(true);
  pty.Send("OK");
  ASSERT_TRUE(Serve([&] { return received.size() >= 2; }));
  EXPECT_EQ(counts, std::vector<int>{2});
  EXPECT_EQ(received, "OK");
}

TEST_F(ComPortTest, NoNotificationHasACountOfZero) {
  // A receiver that reads more than it is told of leaves later wake-ups with nothing.
  port.OnRxChar = [this](TCustomComPort& sender, int count) {
    counts.push_back(count);
    std::uint8_t buffer[64];
    for (int n; (n = sender.ReadBytes(buffer, sizeof buffer)) > 0;) received.append(buffer, buffer + n);
  };
  port.SetConnected(true);
  std::thread peer([&] {
    for (int i = 0; i < 200; ++i) pty.Send(std::string(1, static_cast<char>('a' + i % 26)));
  });
  ASSERT_TRUE(Serve([&] { return received.size() >= 200; }));
  peer.join();
  EXPECT_EQ(received.size(), 200u);
  for (int count : counts) EXPECT_GE(count, 1);
}

TEST_F(ComPortTest, BytesLeftUnreadAreCountedAgainWithTheNextByte) {
  int calls = 0;
  port.OnRxChar = [&](TCustomComPort&, int count) {
    ++calls;
    counts.push_back(count);
  };
  port.SetConnected(true);
  pty.Send("AB");
  ASSERT_TRUE(Serve([&] { return calls == 1; }));
  // Nothing new arrived: no further hand-off although two bytes wait.
  EXPECT_FALSE(sync.WaitForRequest(50ms));
  pty.Send("C");
  ASSERT_TRUE(Serve([&] { return port.BytesWaiting() == 3 && calls >= 2; }));
  EXPECT_EQ(counts.back(), 3);
}

TEST_F(ComPortTest, ReadBytesWithNothingWaitingReturnsZero) {
  port.SetConnected(true);
  std::uint8_t byte = 0;
  EXPECT_EQ(port.ReadBytes(&byte, 1), 0);
  EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(ComPortTest, UnreadBytesAreGoneAfterReopening) {
  port.SetConnected(true);
  pty.Send("junk");
  ASSERT_TRUE(Serve([&] { return port.BytesWaiting() == 4; }));
  port.SetConnected(false);
  port.SetConnected(true);
  EXPECT_EQ(port.BytesWaiting(), 0);
  ReceiveCounted();
  pty.Send("new");
  ASSERT_TRUE(Serve([&] { return received.size() >= 3; }));
  EXPECT_EQ(received, "new");
}

TEST_F(ComPortTest, WriteToAPeerThatNeverReadsEndsAtItsDeadline) {
  // Byte by byte until the line takes no more: that write gives up after 100 ms a byte
  // plus 1000 ms, with nothing written.
  port.SetConnected(true);
  int written = 1;
  auto elapsed = Clock::duration::zero();
  for (int sent = 0; written == 1 && sent < (1 << 24); ++sent) {
    const auto start = Clock::now();
    written = port.WriteText("A");
    elapsed = Clock::now() - start;
  }
  EXPECT_EQ(written, 0);
  EXPECT_GE(elapsed, 1100ms);
  EXPECT_LT(elapsed, 2500ms);
}

TEST_F(ComPortTest, ClosingWhilePeerFloodsAndAHandOffWaitsNeverDeadlocks) {
  ReceiveCounted();
  std::atomic<bool> stop{false};
  std::thread peer([&] {
    const std::string chunk(256, 'z');
    while (!stop) {
      const ssize_t n = ::write(pty.Master(), chunk.data(), chunk.size());
      if (n < 0) {
        pollfd p{pty.Master(), POLLOUT, 0};
        ::poll(&p, 1, 5);
      }
    }
  });
  const int fdsBefore = OpenDescriptorCount();
  for (int cycle = 0; cycle < 200; ++cycle) {
    port.SetConnected(true);
    ASSERT_TRUE(sync.WaitForRequest(2s)) << "cycle " << cycle;
    // The waiting thread is blocked in its hand-off; closing must serve it.
    port.SetConnected(false);
    ASSERT_FALSE(port.Connected());
    // Closing served the hand-off it met.
    ASSERT_FALSE(sync.WaitForRequest(0ms)) << "cycle " << cycle;
  }
  stop = true;
  peer.join();
  EXPECT_EQ(OpenDescriptorCount(), fdsBefore);
}

TEST_F(ComPortTest, ExceptionFromTheReceiverEndsTheThreadAndWritingGoesOn) {
  int calls = 0;
  port.OnRxChar = [&](TCustomComPort&, int) {
    ++calls;
    throw std::runtime_error("receiver failed");
  };
  port.SetConnected(true);
  pty.Send("X");
  ASSERT_TRUE(Serve([&] { return !port.ThreadRunning(); }));
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(port.Connected());

  EXPECT_EQ(port.WriteText("WRACT\r"), 6);
  EXPECT_EQ(pty.Receive(6, 2s), "WRACT\r");
  pty.Send("Y");
  EXPECT_FALSE(sync.WaitForRequest(50ms));
  EXPECT_EQ(calls, 1);
  std::uint8_t buffer[4];
  EXPECT_EQ(port.ReadBytes(buffer, 4), 2);

  port.SetConnected(false);
  EXPECT_FALSE(port.Connected());
  // The next opening starts a new thread.
  port.SetConnected(true);
  EXPECT_TRUE(port.ThreadRunning());
}

TEST_F(ComPortTest, PortNameThatNormalizesToTheCurrentOneKeepsTheConnection) {
  port.SetConnected(true);
  pty.Send("abc");
  ASSERT_TRUE(Serve([&] { return port.BytesWaiting() == 3; }));
  port.SetPort("com5");
  port.SetPort("5");
  port.SetPort("COM05");
  EXPECT_EQ(port.Port(), "COM5");
  // A reopening would have discarded the bytes.
  EXPECT_EQ(port.BytesWaiting(), 3);
  EXPECT_TRUE(port.ThreadRunning());
}

TEST_F(ComPortTest, ChangedPortNameMovesAnOpenConnection) {
  PtyPair second;
  second.LinkAs("COM6");
  port.SetConnected(true);
  port.SetPort("COM6");
  EXPECT_EQ(port.Port(), "COM6");
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(port.WriteText("RDFL001\r"), 8);
  EXPECT_EQ(second.Receive(8, 2s), "RDFL001\r");
  EXPECT_EQ(pty.Drain(), "");
  // The first port is free again.
  TComPort other(sync);
  other.SetPort("COM5");
  other.SetConnected(true);
  EXPECT_TRUE(other.Connected());
}

TEST_F(ComPortTest, ChangedPortNameThatCannotOpenLeavesThePortClosed) {
  LinkPort("COM8", config.Path() + "/absent");
  port.SetConnected(true);
  EXPECT_THROW(port.SetPort("COM8"), EComPort);
  EXPECT_EQ(port.Port(), "COM8");
  EXPECT_FALSE(port.Connected());
}

TEST_F(ComPortTest, ChangingThePortWhileClosedOnlyChangesTheName) {
  port.SetPort("COM9");
  EXPECT_EQ(port.Port(), "COM9");
  EXPECT_FALSE(port.Connected());
}

// An unplugged adapter: the owner hears of it once and can close the port from
// there, which lets go of the device so that it can come back under its name.
TEST_F(ComPortTest, AHangUpIsHandedOverOnceAndClosingFromThereReleasesTheDevice) {
  const int before = OpenDescriptorCount();
  int lost = 0;
  port.OnLineLost = [&](TCustomComPort& sender) {
    ++lost;
    sender.SetConnected(false);
  };
  port.SetConnected(true);
  pty.CloseMaster();
  ASSERT_TRUE(Serve([&] { return !port.Connected(); }));
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(OpenDescriptorCount(), before - 1);  // the master the test closed
}

// Some drivers remove an unplugged adapter's node without hanging up first.
TEST_F(ComPortTest, ADeviceNodeThatVanishesIsAHangUp) {
  const std::string node = config.Path() + "/adapter";
  std::filesystem::create_symlink(pty.SlavePath(), node);
  LinkPort("COM5", node);
  int lost = 0;
  port.OnLineLost = [&](TCustomComPort&) { ++lost; };
  port.SetConnected(true);
  std::filesystem::remove(node);
  EXPECT_TRUE(Serve([&] { return lost == 1 && !port.ThreadRunning(); }));
}

// Closing serves the hand-offs that wait; one of them may close the port again, or
// reopen it, and the closing still ends the connection it was asked to end.
TEST_F(ComPortTest, ClosingOrReopeningFromANotificationThatClosingServesIsSafe) {
  for (const bool reopen : {false, true}) {
    PtyPair other;
    other.LinkAs("COM6");
    port.OnLineLost = [&](TCustomComPort& sender) {
      sender.SetConnected(false);
      if (reopen) sender.SetPort("COM6"), sender.SetConnected(true);
    };
    port.SetPort("COM5");
    port.SetConnected(true);
    pty.CloseMaster();
    ASSERT_TRUE(sync.WaitForRequest(5s));  // the hang-up waits to be handed over
    port.SetConnected(false);
    EXPECT_EQ(port.Connected(), reopen);
    EXPECT_EQ(port.ThreadRunning(), reopen);
    port.OnLineLost = nullptr;
    port.SetConnected(false);
    pty.~PtyPair();
    new (&pty) PtyPair();
    pty.LinkAs("COM5");
  }
}

TEST_F(ComPortTest, BytesWaitingBeforeTheOpeningAreNotDelivered) {
  ReceiveCounted();
  pty.Send("stale");
  port.SetConnected(true);
  pty.Send("F");
  ASSERT_TRUE(Serve([&] { return received.size() >= 1; }));
  EXPECT_EQ(received, "F");
}

TEST_F(ComPortTest, LinksToWhatIsNoSerialPortFailToOpenAndLeakNothing) {
  const std::string file = config.Path() + "/file", fifo = config.Path() + "/fifo";
  std::ofstream(file) << "x";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int before = OpenDescriptorCount();
  for (const std::string& target : {config.Path() + "/nothing", file, fifo}) {
    LinkPort("COM5", target);
    const auto error = Raised<EComPort>([&] { port.SetConnected(true); });
    ASSERT_TRUE(error) << "opened " << target;
    EXPECT_EQ(error->ErrorNumber(), CE_OpenFailed) << target;
    EXPECT_FALSE(port.Connected());
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

// A pty has no serial driver behind it: the port works as it is.
TEST_F(ComPortTest, ADeviceWithoutLowLatencyModeIsUsedAsItIs) {
  EXPECT_FALSE(ComDevice::Open("COM5")->RequestLowLatency());
  port.SetConnected(true);
  EXPECT_EQ(port.WriteText("ok"), 2);
}

TEST_F(ComPortTest, WriteAfterHangUpRaisesError2) {
  port.SetConnected(true);
  pty.CloseMaster();
  const auto error = Raised<EComPort>([&] { port.WriteText("x"); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->ErrorNumber(), CE_WriteFailed);
  EXPECT_EQ(error->what(), Message(2, error->PlatformCode()));
  EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, ClosingFromInsideTheNotificationDoesNotDeadlock) {
  port.OnRxChar = [&](TCustomComPort& sender, int count) {
    counts.push_back(count);
    sender.SetConnected(false);
  };
  port.SetConnected(true);
  pty.Send("Q");
  ASSERT_TRUE(Serve([&] { return !port.Connected(); }));
  EXPECT_EQ(counts, std::vector<int>{1});
  port.SetConnected(true);
  EXPECT_TRUE(port.ThreadRunning());
}

TEST_F(ComPortTest, DestroyingAnOpenPortClosesIt) {
  {
    TComPort scoped(sync);
    scoped.SetPort("COM5");
    scoped.SetConnected(true);
  }
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortTest, OpenAndCloseLeakNoDescriptors) {
  const int before = OpenDescriptorCount();
  for (int i = 0; i < 20; ++i) {
    port.SetConnected(true);
    port.SetConnected(false);
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(ComPortClosed, OperationsOnAClosedPortRaise) {
  ThreadSync sync;
  TComPort port(sync);
  EXPECT_EQ(port.Port(), "COM1");
  std::uint8_t byte;
  EXPECT_THROW(port.WriteText("x"), EComPort);
  EXPECT_THROW(port.ReadBytes(&byte, 1), EComPort);
  EXPECT_THROW(port.BytesWaiting(), EComPort);
}

}  // namespace
