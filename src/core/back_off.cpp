#include "core/back_off.h"

#include <algorithm>

namespace keeper {
namespace {

constexpr std::int64_t ShortestDoubledPause = 100;

}  // namespace

std::uint32_t NextPause(BackOff& backOff, std::uint64_t lasted) {
    const std::int64_t first = backOff.SleepInterval;
    const std::int64_t longest = backOff.MaxSleepInterval;
    if (!backOff.Enabled()) return static_cast<std::uint32_t>(first);
    if (lasted >= static_cast<std::uint64_t>(longest)) {
        backOff.LastPause = -1;  // a healthy run: the next quick one starts a new row
        return static_cast<std::uint32_t>(first);
    }
    // 64 bits: twice a pause near 2^31 still fits.
    std::int64_t pause = first;
    if (backOff.LastPause >= 0)
        pause = std::max(first,
                         std::min(longest, std::max(ShortestDoubledPause, 2 * backOff.LastPause)));
    backOff.LastPause = pause;
    return static_cast<std::uint32_t>(pause);
}

}  // namespace keeper
