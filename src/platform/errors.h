// System error codes and their texts.
#pragma once

#include <string>

#include "platform/handles.h"

namespace keeper {

/// The calling thread's last system error code.
/// Note: errno on Linux.
ErrorCode LastErrorCode();

/// The platform's description of `code`, untrimmed; the empty text when there is none
/// (FormatMessageA into a 256-byte buffer on Windows).
/// Note: strerror on Linux.
std::string SystemMessage(ErrorCode code);

}  // namespace keeper
