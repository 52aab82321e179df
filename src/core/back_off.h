// The pause before a relaunch when the watcher backs off from an application that keeps
// ending soon after its start.
#pragma once

#include <cstdint>

namespace keeper {

/// The pauses of one watcher. Off while `MaxSleepInterval` is 0 or below: every pause is
/// `SleepInterval`. On, a run shorter than `MaxSleepInterval` is quick, and the pauses
/// after quick runs in a row double from `SleepInterval` (at least 100 ms, at most
/// `MaxSleepInterval`, never below `SleepInterval`); a longer run starts the row afresh.
///   (0, 1600): 0, 100, 200, 400, 800, 1600, 1600, ...
///   (1000, 8000): 1000, 2000, 4000, 8000, 8000, ...
struct BackOff {
    std::int32_t SleepInterval = 0;     ///< the first pause of a row; 0 or above
    std::int32_t MaxSleepInterval = 0;  ///< the longest pause, and the length of a long run
    std::int64_t LastPause = -1;        ///< the pause after the previous quick run; -1 none

    bool Enabled() const { return MaxSleepInterval > 0; }
};

/// The pause after a run that lasted `lasted` milliseconds (a failed launch lasts 0), and
/// the row brought up to date.
std::uint32_t NextPause(BackOff& backOff, std::uint64_t lasted);

}  // namespace keeper
