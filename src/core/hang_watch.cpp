#include "core/hang_watch.h"

#include <algorithm>

namespace keeper {

std::uint32_t CheckInterval(std::uint64_t timeout) {
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(timeout / 4, 250));
}

void TakeWindowCheck(HangWatch& watch, std::uint64_t now, bool failing) {
    if (failing && !watch.Failing) watch.FailingSince = now;
    watch.Failing = failing;
}

void TakeNotification(HangWatch& watch, std::uint64_t now, std::string_view datagram) {
    while (!datagram.empty()) {
        const std::size_t end = datagram.find('\n');
        const std::string_view line = datagram.substr(0, end);
        if (line == "READY=1" || line == "WATCHDOG=1") {
            watch.Armed = true;
            watch.LastPing = now;
        } else if (line == "WATCHDOG=trigger") {
            watch.Triggered = true;
        }
        if (end == std::string_view::npos) break;
        datagram.remove_prefix(end + 1);
    }
}

bool Hangs(const HangWatch& watch, std::uint64_t now) {
    return watch.Triggered || (watch.Failing && now - watch.FailingSince >= watch.Timeout) ||
           (watch.Armed && now - watch.LastPing >= watch.Timeout);
}

bool PingDeadline(const HangWatch& watch, std::uint64_t now, std::uint32_t& wait) {
    if (!watch.Armed) return false;
    const std::uint64_t due = watch.LastPing + watch.Timeout;
    wait =
        static_cast<std::uint32_t>(due > now ? std::min<std::uint64_t>(due - now, 0x7FFFFFFF) : 0);
    return true;
}

}  // namespace keeper
