#include "platform/clock_memory.h"

#include <malloc.h>

#include <ctime>

namespace keeper {

std::uint64_t MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

void ReleaseFreedMemory() { malloc_trim(0); }

}  // namespace keeper
