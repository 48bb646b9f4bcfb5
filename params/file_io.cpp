#include "params/file_io.h"

EInOutError::EInOutError(const std::string& message, int errorCode)
    : std::runtime_error(message), errorCode_(errorCode) {}
