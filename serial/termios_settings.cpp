#include "termios_settings.h"

#include <sys/ioctl.h>

bool MakeTermios(const TComLineSettings& settings, termios& t) {
  const TComFlowValues& flow = settings.flow;
  // termios watches no DSR, and CTS only with the RTS handshake, which is not offered.
  if (flow.outCTSFlow || flow.outDSRFlow || flow.dsrSensitivity) return false;

  cfmakeraw(&t);
  // 19200 bit/s, 8 data bits, no parity, 1 stop bit: the one line offered.
  t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD | CS8;
  t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
  if (settings.parity.check) t.c_iflag |= INPCK;
  if (flow.xonXoffOut) t.c_iflag |= IXON;
  if (flow.xonXoffIn) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(flow.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(flow.xoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, B19200);
  cfsetospeed(&t, B19200);
  return true;
}

// dtrEnable and rtsEnable, the values offered.
int AssertedModemLines(const TComLineSettings&) { return TIOCM_DTR | TIOCM_RTS; }
