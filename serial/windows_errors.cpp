#include "windows_errors.h"

#include <algorithm>
#include <iterator>

namespace {

// The codes after which a wait is simply started again; every other one ends the line.
constexpr std::uint32_t kRestartCodes[] = {win_error::kOperationAborted, win_error::kIoIncomplete};

constexpr std::uint32_t kInUseCodes[] = {win_error::kAccessDenied, win_error::kSharingViolation, win_error::kBusy};

}  // namespace

LineFailure LineFailureOf(std::uint32_t code) {
  return std::find(std::begin(kRestartCodes), std::end(kRestartCodes), code) != std::end(kRestartCodes)
             ? LineFailure::RestartWait
             : LineFailure::LineLost;
}

bool WinOpenCodeMeansInUse(std::uint32_t code) {
  return std::find(std::begin(kInUseCodes), std::end(kInUseCodes), code) != std::end(kInUseCodes);
}
