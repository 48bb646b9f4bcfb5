#pragma once
// The serial link's errors: its own error number, the text it stands for, and the
// platform's error code.

#include <stdexcept>
#include <string>

// The link's own error numbers; their texts are in com_error.cpp.
enum ComError {
  CE_OpenFailed = 1,
  CE_WriteFailed = 2,
  CE_ReadFailed = 3,
  CE_PurgeFailed = 5,
  CE_SetStateFailed = 7,
  CE_SetTimeoutsFailed = 8,
  CE_SetupFailed = 9,
  CE_ClearErrorFailed = 10,
  CE_ModemStatusFailed = 11,
  CE_EnumPortsFailed = 15,
  // A network port (network_name.h): its host, its server, its protocol.
  CE_ConnectFailed = 16,
  CE_ResolveFailed = 17,
  CE_NoRfc2217 = 18,
};

// The text of an error number, as the message starts; empty for an unknown number.
std::string ComErrorText(int errorNumber);

// "<text> (win error code: <platform code>)": the platform's code is GetLastError on
// Windows and errno elsewhere, -1 for none.
class EComPort : public std::runtime_error {
 public:
  EComPort(int errorNumber, int platformCode);
  int ErrorNumber() const { return errorNumber_; }
  int PlatformCode() const { return platformCode_; }

 private:
  int errorNumber_;
  int platformCode_;
};
