// Platform handles and error codes as they cross the seam.
#pragma once

#include <cstdint>

namespace keeper {

/// A waitable object of the platform: an event or a process. Zero means none.
/// Note: on Linux a handle is a descriptor plus one, so descriptor 0 stays usable.
using Handle = std::uintptr_t;
inline constexpr Handle NoHandle = 0;

/// A system error code: GetLastError on Windows, errno on Linux.
using ErrorCode = std::uint32_t;

}  // namespace keeper
