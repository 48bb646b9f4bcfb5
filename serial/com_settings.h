#pragma once
// The port object's setting objects and line-setting values. The defaults are the
// values this program uses; the platform file turns them into the device's settings.

#include <cstdint>

class TCustomComPort;

// Of each enumerated setting, the one value this program uses; the rest of the
// setting space is not offered. Each value is the number the DCB has for it.
enum TBaudRate { br19200 = 19200 };
enum TDataBits { dbEight = 8 };
enum TStopBits { sbOneStopBit = 0 };     // ONESTOPBIT
enum TParityBits { prNone = 0 };         // NOPARITY
enum TDTRFlowControl { dtrEnable = 1 };  // DTR_CONTROL_ENABLE
enum TRTSFlowControl { rtsEnable = 1 };  // RTS_CONTROL_ENABLE

// Each setting object keeps a back reference to the port that owns it.
class TComSettingObject {
 public:
  explicit TComSettingObject(TCustomComPort* port) : port_(port) {}
  TCustomComPort* ComPort() const { return port_; }

 private:
  TCustomComPort* port_;
};

// The values of the parity and flow-control settings, as plain values.
struct TComParityValues {
  TParityBits bits = prNone;
  bool check = false;
  bool replace = false;
  char replaceChar = 0;
};

struct TComFlowValues {
  bool outCTSFlow = false;
  bool outDSRFlow = false;
  TDTRFlowControl controlDTR = dtrEnable;
  TRTSFlowControl controlRTS = rtsEnable;
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = false;
  char xonChar = 17;
  char xoffChar = 19;
};

class TComParity : public TComSettingObject, public TComParityValues {
 public:
  using TComSettingObject::TComSettingObject;
};

class TComFlowControl : public TComSettingObject, public TComFlowValues {
 public:
  using TComSettingObject::TComSettingObject;
};

class TComTimeouts : public TComSettingObject {
 public:
  using TComSettingObject::TComSettingObject;
  int readInterval = -1;  // all bits set: a read returns at once
  int readTotalMultiplier = 0;
  int readTotalConstant = 0;
  int writeTotalMultiplier = 100;  // ms per byte
  int writeTotalConstant = 1000;   // ms
};

class TComBuffer : public TComSettingObject {
 public:
  using TComSettingObject::TComSettingObject;
  int inputSize = 1024;
  int outputSize = 1024;
};

// What the line settings are made of, as plain values.
struct TComLineSettings {
  TBaudRate baudRate = br19200;
  TDataBits dataBits = dbEight;
  TStopBits stopBits = sbOneStopBit;
  TComParityValues parity;
  TComFlowValues flow;
};

// The line events a wake-up of the waiting thread can report.
enum TComEvent : std::uint16_t {
  evRxChar = 1 << 0,
  evTxEmpty = 1 << 1,
  evRxFlag = 1 << 2,
  evRing = 1 << 3,
  evBreak = 1 << 4,
  evCTS = 1 << 5,
  evDSR = 1 << 6,
  evError = 1 << 7,
  evRLSD = 1 << 8,
  evRx80Full = 1 << 9,
};
using TComEvents = std::uint16_t;
constexpr TComEvents kAllComEvents = 0x3FF;
