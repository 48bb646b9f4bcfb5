#pragma once
// What the port does with Windows' error codes: one table for the waiting thread, the
// reads and the writes, and which codes of an opening mean that another program holds
// the port. The codes are plain numbers, so the tables compile and are tested on every
// system; com_port_win32.cpp checks them against Windows' own names.

#include <cstdint>

namespace win_error {
constexpr std::uint32_t kFileNotFound = 2;           // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kAccessDenied = 5;           // ERROR_ACCESS_DENIED
constexpr std::uint32_t kInvalidHandle = 6;          // ERROR_INVALID_HANDLE
constexpr std::uint32_t kNotReady = 21;              // ERROR_NOT_READY
constexpr std::uint32_t kBadCommand = 22;            // ERROR_BAD_COMMAND
constexpr std::uint32_t kGenFailure = 31;            // ERROR_GEN_FAILURE
constexpr std::uint32_t kSharingViolation = 32;      // ERROR_SHARING_VIOLATION
constexpr std::uint32_t kBusy = 170;                 // ERROR_BUSY
constexpr std::uint32_t kOperationAborted = 995;     // ERROR_OPERATION_ABORTED
constexpr std::uint32_t kIoIncomplete = 996;         // ERROR_IO_INCOMPLETE
constexpr std::uint32_t kDeviceNotConnected = 1167;  // ERROR_DEVICE_NOT_CONNECTED
constexpr std::uint32_t kDeviceRemoved = 1617;       // ERROR_DEVICE_REMOVED
}  // namespace win_error

// What a failed wait, read or write of an open port means.
enum class LineFailure {
  RestartWait,  // the wait ended without an event; the line is fine
  LineLost,     // the connection is over: closed as a lost line, the port released
};

// ERROR_OPERATION_ABORTED alone restarts: Windows' own USB serial driver gives it
// without a removal, and Wine ends every idle wait with it. So does ERROR_IO_INCOMPLETE,
// which Wine gives now and then for a wait that has ended. Every other code (a removed
// adapter gives ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE, ERROR_BAD_COMMAND,
// ERROR_DEVICE_REMOVED, ERROR_FILE_NOT_FOUND or ERROR_INVALID_HANDLE, by driver) is a
// lost line.
LineFailure LineFailureOf(std::uint32_t code);

// An opening refused because another program holds the port: ERROR_ACCESS_DENIED,
// ERROR_SHARING_VIOLATION or ERROR_BUSY.
bool WinOpenCodeMeansInUse(std::uint32_t code);
