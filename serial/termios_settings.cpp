#include "termios_settings.h"

#include <sys/ioctl.h>

namespace {

bool SpeedOf(TBaudRate rate, speed_t& speed) {
  switch (rate) {
    case br110: speed = B110; return true;
    case br300: speed = B300; return true;
    case br600: speed = B600; return true;
    case br1200: speed = B1200; return true;
    case br2400: speed = B2400; return true;
    case br4800: speed = B4800; return true;
    case br9600: speed = B9600; return true;
    case br19200: speed = B19200; return true;
    case br38400: speed = B38400; return true;
    case br57600: speed = B57600; return true;
    case br115200: speed = B115200; return true;
    default: return false;  // 14400, 56000, 128000, 256000: no termios constant
  }
}

tcflag_t CharSize(TDataBits bits) {
  switch (bits) {
    case dbFive: return CS5;
    case dbSix: return CS6;
    case dbSeven: return CS7;
    case dbEight: break;
  }
  return CS8;
}

tcflag_t ParityFlags(TParityBits parity) {
  switch (parity) {
    case prOdd: return PARENB | PARODD;
    case prEven: return PARENB;
    case prMark: return PARENB | PARODD | CMSPAR;
    case prSpace: return PARENB | CMSPAR;
    case prNone: break;
  }
  return 0;
}

}  // namespace

bool MakeTermios(const TComLineSettings& settings, termios& t) {
  const TComFlowValues& flow = settings.flow;
  speed_t speed;
  if (!SpeedOf(settings.baudRate, speed)) return false;
  if (flow.outDSRFlow || flow.dsrSensitivity || flow.controlDTR == dtrHandshake || flow.controlRTS == rtsToggle) {
    return false;
  }
  // Hardware flow control on POSIX watches CTS and drives RTS together.
  if (flow.outCTSFlow != (flow.controlRTS == rtsHandshake)) return false;

  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD | CharSize(settings.dataBits) | ParityFlags(settings.parity.bits);
  // With five data bits the UART sends 1.5 stop bits when two are asked for.
  if (settings.stopBits != sbOneStopBit) t.c_cflag |= CSTOPB;
  if (flow.outCTSFlow) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
  if (settings.parity.check) t.c_iflag |= INPCK;
  if (flow.xonXoffOut) t.c_iflag |= IXON;
  if (flow.xonXoffIn) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(flow.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(flow.xoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  return true;
}

int AssertedModemLines(const TComLineSettings& s) {
  int lines = 0;
  if (s.flow.controlDTR == dtrEnable) lines |= TIOCM_DTR;
  if (s.flow.controlRTS == rtsEnable) lines |= TIOCM_RTS;
  return lines;
}
