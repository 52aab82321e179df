#include "core/hang_watch.h"

#include <algorithm>

namespace keeper {
namespace {

/// The microseconds of `text`, decimal digits alone, as milliseconds rounded up; false for
/// a text that is no such number or does not fit 64 bits.
bool MicrosecondsAsMilliseconds(std::string_view text, std::uint64_t& milliseconds) {
    if (text.empty()) return false;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > (UINT64_MAX - static_cast<unsigned>(c - '0')) / 10)
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    milliseconds = value / 1000 + (value % 1000 != 0 ? 1 : 0);
    return true;
}

}  // namespace

std::uint32_t CheckInterval(std::uint64_t timeout) {
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(timeout / 4, 250));
}

void TakeWindowCheck(HangWatch& watch, std::uint64_t now, bool failing) {
    if (failing && !watch.Failing) watch.FailingSince = now;
    watch.Failing = failing;
}

void TakeNotification(HangWatch& watch, std::uint64_t now, std::string_view datagram) {
    constexpr std::string_view timeout = "WATCHDOG_USEC=";
    while (!datagram.empty()) {
        const std::size_t end = datagram.find('\n');
        const std::string_view line = datagram.substr(0, end);
        if (line == "READY=1" || line == "WATCHDOG=1") {
            watch.Armed = true;
            watch.LastPing = now;
        } else if (line == "WATCHDOG=trigger") {
            watch.Triggered = true;
        } else if (line == "STOPPING=1") {
            watch.Stopping = true;
        } else if (line.starts_with(timeout)) {
            // The next ping is due this long after the last one, as with the first time-out.
            MicrosecondsAsMilliseconds(line.substr(timeout.size()), watch.Timeout);
        }
        if (end == std::string_view::npos) break;
        datagram.remove_prefix(end + 1);
    }
}

HangCause CauseOfHang(const HangWatch& watch, std::uint64_t now) {
    if (watch.Stopping) return HangCause::None;
    if (watch.Triggered) return HangCause::Triggered;
    if (watch.Failing && now - watch.FailingSince >= watch.Timeout)
        return HangCause::WindowNotAnswering;
    if (watch.Armed && watch.Timeout != 0 && now - watch.LastPing >= watch.Timeout)
        return HangCause::PingOverdue;
    if (!watch.Armed && watch.ReadyBy != 0 && now >= watch.ReadyBy) return HangCause::NotReady;
    return HangCause::None;
}

bool PingDeadline(const HangWatch& watch, std::uint64_t now, std::uint32_t& wait) {
    std::uint64_t due = 0;
    if (watch.Stopping) return false;
    if (watch.Armed && watch.Timeout != 0)
        due = watch.LastPing + watch.Timeout;
    else if (!watch.Armed && watch.ReadyBy != 0)
        due = watch.ReadyBy;
    else
        return false;
    wait =
        static_cast<std::uint32_t>(due > now ? std::min<std::uint64_t>(due - now, 0x7FFFFFFF) : 0);
    return true;
}

bool SpeaksFor(std::uint32_t application, bool leadsSession, std::uint32_t sender,
               std::uint32_t senderSession) {
    return sender != 0 && (sender == application || (leadsSession && senderSession == application));
}

}  // namespace keeper
