#include "platform/clock_memory.h"

#include <windows.h>

namespace keeper {

std::uint64_t MonotonicMilliseconds() { return GetTickCount64(); }

void ReleaseFreedMemory() {}

}  // namespace keeper
