// One poll that lasts until a deadline of the monotonic clock, whatever interrupts it.
#pragma once

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/clock_memory.h"

namespace keeper {

/// poll on `count` descriptors until one is ready or, when `timed`, until `deadline`
/// (MonotonicMilliseconds); a signal or an early wake resumes it for what is left, not for
/// all of it again. Gives poll's result: 0 only once the deadline has passed, below 0 with
/// errno for a failure.
inline int PollUntil(pollfd* descriptors, nfds_t count, bool timed, std::uint64_t deadline) {
    for (;;) {
        int wait = -1;
        if (timed) {
            const std::uint64_t now = MonotonicMilliseconds();
            // poll counts in int milliseconds.
            wait = now >= deadline
                       ? 0
                       : static_cast<int>(std::min<std::uint64_t>(deadline - now, INT_MAX));
        }
        const int ready = poll(descriptors, count, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready != 0 || !timed || MonotonicMilliseconds() >= deadline) return ready;
    }
}

}  // namespace keeper
