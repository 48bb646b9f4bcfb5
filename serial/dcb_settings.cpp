#include "dcb_settings.h"

namespace {

struct EventBit {
  TComEvent event;
  DWORD bit;
};

constexpr EventBit kEventBits[] = {
    {evRxChar, EV_RXCHAR}, {evRxFlag, EV_RXFLAG}, {evTxEmpty, EV_TXEMPTY}, {evCTS, EV_CTS},   {evDSR, EV_DSR},
    {evRLSD, EV_RLSD},     {evBreak, EV_BREAK},   {evError, EV_ERR},       {evRing, EV_RING}, {evRx80Full, EV_RX80FULL},
};

// The events Wine's wait can report on a pseudo-terminal.
constexpr DWORD kWineMask = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY;

}  // namespace

DCB MakeDcb(const TComLineSettings& settings, int inputQueueSize) {
  const TComFlowValues& flow = settings.flow;
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
  dcb.fBinary = TRUE;
  dcb.fParity = settings.parity.check;
  dcb.fOutxCtsFlow = flow.outCTSFlow;
  dcb.fOutxDsrFlow = flow.outDSRFlow;
  // The enumerated settings hold the DCB's own numbers.
  dcb.fDtrControl = static_cast<DWORD>(flow.controlDTR);
  dcb.fDsrSensitivity = flow.dsrSensitivity;
  dcb.fTXContinueOnXoff = flow.txContinueOnXoff;
  dcb.fOutX = flow.xonXoffOut;
  dcb.fInX = flow.xonXoffIn;
  dcb.fErrorChar = settings.parity.replace;
  dcb.fNull = FALSE;
  dcb.fRtsControl = static_cast<DWORD>(flow.controlRTS);
  dcb.fAbortOnError = FALSE;
  dcb.XonLim = static_cast<WORD>(inputQueueSize / 4);
  dcb.XoffLim = static_cast<WORD>(inputQueueSize / 4);
  dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
  dcb.Parity = static_cast<BYTE>(settings.parity.bits);
  dcb.StopBits = static_cast<BYTE>(settings.stopBits);
  dcb.XonChar = flow.xonChar;
  dcb.XoffChar = flow.xoffChar;
  dcb.ErrorChar = settings.parity.replaceChar;
  return dcb;
}

COMMTIMEOUTS MakeCommTimeouts(const TComTimeouts& t) {
  return COMMTIMEOUTS{static_cast<DWORD>(t.readInterval), static_cast<DWORD>(t.readTotalMultiplier),
                      static_cast<DWORD>(t.readTotalConstant), static_cast<DWORD>(t.writeTotalMultiplier),
                      static_cast<DWORD>(t.writeTotalConstant)};
}

DWORD CommEventMask(TComEvents events, bool underWine) {
  DWORD mask = 0;
  for (const EventBit& e : kEventBits) {
    if (events & e.event) mask |= e.bit;
  }
  return underWine ? mask & kWineMask : mask;
}

TComEvents ComEventsOfMask(DWORD mask) {
  TComEvents events = 0;
  for (const EventBit& e : kEventBits) {
    if (mask & e.bit) events |= e.event;
  }
  return events;
}
