// Seeing that the watched application hangs: windows that stop answering, or watchdog
// pings of the notification protocol that stop coming.
#pragma once

#include <cstdint>
#include <string_view>

namespace keeper {

/// The checks of one run of the application, with "HangTimeout" set.
struct HangWatch {
    std::uint64_t Timeout = 0;  ///< HangTimeout, ms
    /// Windows: a window has failed every check in a row since FailingSince.
    bool Failing = false;
    std::uint64_t FailingSince = 0;
    /// Pings: the application has said it is ready or has pinged, so its pings are due.
    bool Armed = false;
    std::uint64_t LastPing = 0;  ///< when the last ping came
    bool Triggered = false;      ///< it said it hangs ("WATCHDOG=trigger")
};

/// The time between two checks of the windows: a quarter of the time-out, at least 250 ms.
///   10000 => 2500;  400 => 250.
std::uint32_t CheckInterval(std::uint64_t timeout);

/// Takes the result of one check of the windows at `now`: `failing` when a visible window
/// did not answer. A check that finds every window answering, or none, starts afresh.
void TakeWindowCheck(HangWatch& watch, std::uint64_t now, bool failing);

/// Takes one datagram of the notification protocol that came at `now` from the
/// application's own process: lines "READY=1" and "WATCHDOG=1" are pings, which arm the
/// watch; "WATCHDOG=trigger" says it hangs; every other line is ignored.
///   "READY=1\nSTATUS=up" => armed;  "STATUS=x" => nothing;  "WATCHDOG=trigger" => hung.
void TakeNotification(HangWatch& watch, std::uint64_t now, std::string_view datagram);

/// True when the application hangs at `now`: it triggered, a window has failed every check
/// for the time-out, or its pings are armed and the last one is the time-out old.
bool Hangs(const HangWatch& watch, std::uint64_t now);

/// How long a watcher that waits for pings may wait from `now` before it must look again:
/// until the ping is due; without armed pings, for ever (none).
/// Returns false for "for ever".
bool PingDeadline(const HangWatch& watch, std::uint64_t now, std::uint32_t& wait);

}  // namespace keeper
