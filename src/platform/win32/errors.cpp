#include "platform/errors.h"

#include <windows.h>

namespace keeper {

ErrorCode LastErrorCode() { return GetLastError(); }

std::string SystemMessage(ErrorCode code) {
    char buffer[256];
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, n);
}

}  // namespace keeper
