// Platform handles as they cross the seam, and the one rule for errors.
//
// Errors. An operation that can fail gives its error with its result, never on the side
// (no global error state, no output parameter): an operation that gives nothing else gives
// the ErrorCode itself, one that gives a value gives a Result of it, and one that gives a
// record of several values (a launch, an instance event, a settings file) carries the code
// in the record's field Error. 0 means success. The caller decides what an error means:
// an entry of the log, or going on without what failed. The only error that is no result
// ends the program: a log entry that cannot be written, or memory that runs out, through
// the one fatal report (core/error_report.h).
#pragma once

#include <cstdint>

namespace keeper {

/// A waitable object of the platform: an event or a process. Zero means none.
/// Note: on Linux a handle is a descriptor plus one, so descriptor 0 stays usable.
using Handle = std::uintptr_t;
inline constexpr Handle NoHandle = 0;

/// A system error code: GetLastError on Windows, errno on Linux; 0 for none.
using ErrorCode = std::uint32_t;

/// The value an operation gives, or the error that kept it from giving one.
template <typename T>
struct [[nodiscard]] Result {
    T Value{};            ///< valid when Error is 0
    ErrorCode Error = 0;  ///< why the operation failed; 0 when it did not
};

}  // namespace keeper
