// Seeing that the watched application hangs: windows that stop answering, or watchdog
// pings of the notification protocol that stop coming.
#pragma once

#include <cstdint>
#include <string_view>

namespace keeper {

/// The checks of one run of the application, with "HangTimeout" set.
struct HangWatch {
    /// HangTimeout, ms; the application's own "WATCHDOG_USEC=" replaces it for the run, and
    /// 0 then means that its pings are never due.
    std::uint64_t Timeout = 0;
    /// Windows: a window has failed every check in a row since FailingSince.
    bool Failing = false;
    std::uint64_t FailingSince = 0;
    /// Pings: the application has said it is ready or has pinged, so its pings are due.
    bool Armed = false;
    std::uint64_t LastPing = 0;  ///< when the last ping came
    bool Triggered = false;      ///< it said it hangs ("WATCHDOG=trigger")
    /// With "ReadyTimeout": the time by which an application that has not pinged yet hangs;
    /// 0 for never.
    std::uint64_t ReadyBy = 0;
    bool Stopping = false;  ///< it said it is ending ("STOPPING=1"): no more checks
};

/// The time between two checks of the windows: a quarter of the time-out, at least 250 ms.
///   10000 => 2500;  400 => 250.
std::uint32_t CheckInterval(std::uint64_t timeout);

/// Takes the result of one check of the windows at `now`: `failing` when a visible window
/// did not answer. A check that finds every window answering, or none, starts afresh.
void TakeWindowCheck(HangWatch& watch, std::uint64_t now, bool failing);

/// Takes one datagram of the notification protocol that came at `now` from a process that
/// speaks for the application, line by line: "READY=1" and "WATCHDOG=1" are pings, which
/// arm the watch; "WATCHDOG=trigger" says it hangs; "WATCHDOG_USEC=N" (decimal) makes the
/// time-out N microseconds, rounded up to ms; "STOPPING=1" ends the checks; every other
/// line ("STATUS=", "EXTEND_TIMEOUT_USEC=", a number that is none) is ignored.
///   "READY=1\nSTATUS=up" => armed;  "STATUS=x" => nothing;  "WATCHDOG=trigger" => hung;
///   "WATCHDOG_USEC=2500001" => time-out 2501 ms;  "WATCHDOG_USEC=-1" => nothing.
void TakeNotification(HangWatch& watch, std::uint64_t now, std::string_view datagram);

/// Why an application hangs.
enum class HangCause : std::uint8_t {
    None,
    Triggered,           ///< it said so ("WATCHDOG=trigger")
    WindowNotAnswering,  ///< a window has failed every check for the time-out
    PingOverdue,         ///< its pings are armed, and the last one is the time-out old
    NotReady,            ///< it has not said it is ready, nor pinged, by ReadyBy
};

/// Whether the application hangs at `now`, and why; in the order of HangCause when several
/// hold. Never once it has said that it is ending.
HangCause CauseOfHang(const HangWatch& watch, std::uint64_t now);

/// True when the application hangs at `now`: CauseOfHang gives a cause.
inline bool Hangs(const HangWatch& watch, std::uint64_t now) {
    return CauseOfHang(watch, now) != HangCause::None;
}

/// How long a watcher that waits for pings may wait from `now` before it must look again:
/// until the ping is due, or until ReadyBy for an application that has not pinged yet;
/// without either, for ever (none). Returns false for "for ever".
bool PingDeadline(const HangWatch& watch, std::uint64_t now, std::uint32_t& wait);

/// Whether a datagram of the process `sender`, whose session was `senderSession` when it
/// was read, speaks for the application `application`: the application's own process, and
/// when the application leads a session of its own (`leadsSession`), any process of that
/// session. A sender or session of 0 is unknown and speaks for nobody.
///   (100, true, 100, 100) => true;  (100, true, 130, 100) => true (its child);
///   (100, false, 130, 100) => false;  (100, true, 130, 0) => false (gone before it was read).
bool SpeaksFor(std::uint32_t application, bool leadsSession, std::uint32_t sender,
               std::uint32_t senderSession);

}  // namespace keeper
