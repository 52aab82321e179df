#include "platform/errors.h"

#include <cerrno>
#include <cstring>

namespace keeper {

ErrorCode LastErrorCode() { return static_cast<ErrorCode>(errno); }

std::string SystemMessage(ErrorCode code) { return std::strerror(static_cast<int>(code)); }

}  // namespace keeper
