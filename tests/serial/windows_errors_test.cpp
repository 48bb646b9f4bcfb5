// Windows' error codes as the port takes them, one table, checked on every system.

#include "serial/windows_errors.h"

#include <gtest/gtest.h>

namespace {

using namespace win_error;

// A removed USB adapter gives one of these, by driver; only an aborted or an
// incomplete wait is no loss. Taking a removal for a restart would leave a dead
// connection open; taking an abort for a loss would drop a good line.
TEST(LineFailureOf, OnlyAnAbortedOrIncompleteWaitRestartsEveryOtherCodeLosesTheLine) {
  for (std::uint32_t code : {kOperationAborted, kIoIncomplete}) {
    EXPECT_EQ(LineFailureOf(code), LineFailure::RestartWait) << code;
  }
  for (std::uint32_t code : {kAccessDenied, kGenFailure, kBadCommand, kDeviceRemoved, kFileNotFound, kInvalidHandle,
                             kNotReady, kDeviceNotConnected, 0u, 87u, 0xFFFFFFFFu}) {
    EXPECT_EQ(LineFailureOf(code), LineFailure::LineLost) << code;
  }
}

// A permission problem elsewhere is "cannot be opened"; on Windows a held COM port
// answers access denied.
TEST(WinOpenCodeMeansInUse, AccessSharingAndBusyAreAnotherProgramsHold) {
  for (std::uint32_t code : {kAccessDenied, kSharingViolation, kBusy}) EXPECT_TRUE(WinOpenCodeMeansInUse(code)) << code;
  for (std::uint32_t code : {kFileNotFound, kGenFailure, kOperationAborted}) EXPECT_FALSE(WinOpenCodeMeansInUse(code));
}

}  // namespace
