#include "com_error.h"

#include <cstdio>

namespace {

struct ComErrorRow {
  ComError number;
  const char* text;
};

// The texts name the Windows functions on every platform; installers and support
// know the messages by them.
constexpr ComErrorRow kComErrors[] = {
    {CE_OpenFailed, "Unable to open com port"},
    {CE_WriteFailed, "WriteFile function failed"},
    {CE_ReadFailed, "ReadFile function failed"},
    {CE_PurgeFailed, "PurgeComm function failed"},
    {CE_SetStateFailed, "SetCommState function failed"},
    {CE_SetTimeoutsFailed, "SetCommTimeouts failed"},
    {CE_SetupFailed, "SetupComm function failed"},
    {CE_ClearErrorFailed, "ClearCommError function failed"},
    {CE_ModemStatusFailed, "GetCommModemStatus function failed"},
    {CE_EnumPortsFailed, "EnumPorts function failed"},
    {CE_ConnectFailed, "Unable to connect to network port"},
    {CE_ResolveFailed, "Unable to resolve network port host"},
    {CE_NoRfc2217, "Network port speaks no RFC 2217"},
};

std::string ComErrorMessage(int errorNumber, int platformCode) {
  char code[32];
  std::snprintf(code, sizeof code, " (win error code: %d)", platformCode);
  return ComErrorText(errorNumber) + code;
}

}  // namespace

std::string ComErrorText(int errorNumber) {
  for (const ComErrorRow& row : kComErrors) {
    if (row.number == errorNumber) return row.text;
  }
  return "";
}

EComPort::EComPort(int errorNumber, int platformCode)
    : std::runtime_error(ComErrorMessage(errorNumber, platformCode)),
      errorNumber_(errorNumber),
      platformCode_(platformCode) {}
