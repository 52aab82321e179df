// The clock that measures runs and pauses, and the memory the watcher holds while it waits.
#pragma once

#include <cstdint>

namespace keeper {

/// Milliseconds of a clock that only moves forward, from an unspecified start.
std::uint64_t MonotonicMilliseconds();

/// Hands the memory that start-up, a scan and a log entry have freed back to the system,
/// so that none of it stays resident through the wait that follows.
/// Note: Linux trims the C library's heap; Windows does nothing.
void ReleaseFreedMemory();

}  // namespace keeper
