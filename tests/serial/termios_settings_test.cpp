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

TEST(MakeTermios, OtherValuesOfTheSettingSpace) {
  struct Row {
    TComLineSettings settings;
    tcflag_t cflagMask, cflag, iflagMask, iflag;
  };
  TComLineSettings odd7;
  odd7.dataBits = dbSeven;
  odd7.parity.bits = prOdd;
  odd7.parity.check = true;
  TComLineSettings mark5;
  mark5.dataBits = dbFive;
  mark5.parity.bits = prMark;
  mark5.stopBits = sbOne5StopBits;
  TComLineSettings spaceTwo;
  spaceTwo.dataBits = dbSix;
  spaceTwo.parity.bits = prSpace;
  spaceTwo.stopBits = sbTwoStopBits;
  TComLineSettings hardware;
  hardware.flow.outCTSFlow = true;
  hardware.flow.controlRTS = rtsHandshake;
  TComLineSettings xonXoff;
  xonXoff.flow.xonXoffIn = true;
  xonXoff.flow.xonXoffOut = true;
  xonXoff.parity.bits = prEven;
  const Row rows[] = {
      {odd7, CSIZE | PARENB | PARODD, CS7 | PARENB | PARODD, INPCK, INPCK},
      {mark5, CSIZE | PARENB | PARODD | CMSPAR | CSTOPB, CS5 | PARENB | PARODD | CMSPAR | CSTOPB, 0, 0},
      {spaceTwo, CSIZE | PARENB | PARODD | CMSPAR | CSTOPB, CS6 | PARENB | CMSPAR | CSTOPB, 0, 0},
      {hardware, CRTSCTS, CRTSCTS, IXON | IXOFF, 0},
      {xonXoff, PARENB | PARODD, PARENB, IXON | IXOFF | INPCK, IXON | IXOFF},
  };
  for (const Row& row : rows) {
    termios t = Cooked();
    ASSERT_TRUE(MakeTermios(row.settings, t));
    EXPECT_EQ(t.c_cflag & row.cflagMask, row.cflag);
    EXPECT_EQ(t.c_iflag & row.iflagMask, row.iflag);
  }
}

TEST(MakeTermios, RatesNameTheirSpeeds) {
  const std::pair<TBaudRate, speed_t> rows[] = {
      {br110, B110},     {br300, B300},     {br1200, B1200},     {br9600, B9600},
      {br38400, B38400}, {br57600, B57600}, {br115200, B115200},
  };
  for (const auto& [rate, speed] : rows) {
    TComLineSettings s;
    s.baudRate = rate;
    termios t{};
    ASSERT_TRUE(MakeTermios(s, t));
    EXPECT_EQ(cfgetospeed(&t), speed);
  }
}

TEST(MakeTermios, SettingsTheLineCannotHaveAreRefused) {
  std::vector<TComLineSettings> rows(7);
  rows[0].baudRate = br14400;
  rows[1].baudRate = br256000;
  rows[2].flow.outDSRFlow = true;
  rows[3].flow.dsrSensitivity = true;
  rows[4].flow.controlDTR = dtrHandshake;
  rows[5].flow.controlRTS = rtsToggle;
  rows[6].flow.outCTSFlow = true;  // CTS watched but RTS not handshaking: termios ties the two
  for (const TComLineSettings& s : rows) {
    termios t{};
    EXPECT_FALSE(MakeTermios(s, t));
  }
}

TEST(AssertedModemLines, FollowsDtrAndRtsControl) {
  TComLineSettings s;
  s.flow.controlDTR = dtrDisable;
  EXPECT_EQ(AssertedModemLines(s), TIOCM_RTS);
  s.flow.controlRTS = rtsDisable;
  EXPECT_EQ(AssertedModemLines(s), 0);
  s.flow.controlDTR = dtrEnable;
  EXPECT_EQ(AssertedModemLines(s), TIOCM_DTR);
}

TEST(BaudRateValue, NamesItsRate) {
  EXPECT_EQ(BaudRateValue(br110), 110);
  EXPECT_EQ(BaudRateValue(br19200), 19200);
  EXPECT_EQ(BaudRateValue(br256000), 256000);
}

}  // namespace
