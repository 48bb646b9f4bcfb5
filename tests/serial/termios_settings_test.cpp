#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "serial/termios_settings.h"

namespace {

// A termios full of what a cooked terminal has, so that clearing is visible.
termios Cooked() {
  termios t{};
  t.c_iflag = ICRNL | IGNCR | INLCR | IXON | IXOFF | ISTRIP | BRKINT | INPCK;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
  t.c_cflag = CS7 | PARENB | CSTOPB | HUPCL | CRTSCTS;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  return t;
}

TEST(MakeTermios, TheModulesLineIsRaw19200EightNoneOne) {
  termios t = Cooked();
  ASSERT_TRUE(MakeTermios(TComLineSettings{}, t));
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(cfgetispeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_iflag & (ICRNL | IGNCR | INLCR | IXON | IXOFF | ISTRIP | INPCK), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_EQ(t.c_cc[VSTART], 17);
  EXPECT_EQ(t.c_cc[VSTOP], 19);
  EXPECT_EQ(AssertedModemLines(TComLineSettings{}), TIOCM_DTR | TIOCM_RTS);
}

TEST(MakeTermios, TheFlagSettingsReachTheirFlags) {
  TComLineSettings checked;
  checked.parity.check = true;
  TComLineSettings xonXoff;
  xonXoff.flow.xonXoffIn = true;
  xonXoff.flow.xonXoffOut = true;
  const std::pair<TComLineSettings, tcflag_t> rows[] = {{checked, INPCK}, {xonXoff, IXON | IXOFF}};
  for (const auto& [settings, iflag] : rows) {
    termios t = Cooked();
    ASSERT_TRUE(MakeTermios(settings, t));
    EXPECT_EQ(t.c_iflag & (INPCK | IXON | IXOFF), iflag);
  }
}

TEST(MakeTermios, FlowControlTheLineCannotHaveIsRefused) {
  std::vector<TComLineSettings> rows(3);
  rows[0].flow.outDSRFlow = true;
  rows[1].flow.dsrSensitivity = true;
  rows[2].flow.outCTSFlow = true;  // termios ties CTS to the RTS handshake, which is not offered
  for (const TComLineSettings& s : rows) {
    termios t{};
    EXPECT_FALSE(MakeTermios(s, t));
  }
}

}  // namespace
