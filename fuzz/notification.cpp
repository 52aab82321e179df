// The datagrams of the notification protocol (TakeNotification, Hangs, PingDeadline): never
// crash; each line does what the protocol says, read here on its own; and the watcher's
// wait ends exactly when the application hangs, or never when nothing can make it hang.
//
// The input: the time-out and the ReadyTimeout (ms, 4 bytes each, little-endian; 0: none),
// then datagrams, each as the ms since the one before (2 bytes), its length (2 bytes) and
// its text.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/hang_watch.h"
#include "support.h"

using keeper::fuzz::Require;

namespace {

std::uint32_t Take(const std::uint8_t*& data, std::size_t& size, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes && size > 0; ++i, --size)
        value |= static_cast<std::uint32_t>(*data++) << (8 * i);
    return value;
}

/// What the lines of a datagram say, each read on its own.
struct Said {
    bool Ping = false;
    bool Trigger = false;
    bool Stopping = false;
    bool NewTimeout = false;
    std::uint64_t Timeout = 0;  ///< ms, the last valid WATCHDOG_USEC= rounded up
};

Said Read(std::string_view datagram) {
    Said said;
    std::size_t start = 0;
    while (start <= datagram.size()) {
        std::size_t end = start;
        while (end < datagram.size() && datagram[end] != '\n')
            ++end;
        const std::string_view line = datagram.substr(start, end - start);
        said.Ping = said.Ping || line == "READY=1" || line == "WATCHDOG=1";
        said.Trigger = said.Trigger || line == "WATCHDOG=trigger";
        said.Stopping = said.Stopping || line == "STOPPING=1";
        if (line.size() > 14 && line.substr(0, 14) == "WATCHDOG_USEC=") {
            unsigned __int128 value = 0;  // held above 64 bits once it has passed them
            bool digits = true;
            for (const char c : line.substr(14)) {
                digits = digits && c >= '0' && c <= '9';
                if (value <= UINT64_MAX) value = value * 10 + static_cast<unsigned>(c - '0');
            }
            if (digits && value <= UINT64_MAX) {
                said.NewTimeout = true;
                said.Timeout = static_cast<std::uint64_t>((value + 999) / 1000);
            }
        }
        start = end + 1;
    }
    return said;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::uint64_t now = 1000000;
    keeper::HangWatch watch{Take(data, size, 4)};
    if (const std::uint32_t ready = Take(data, size, 4); ready != 0) watch.ReadyBy = now + ready;
    while (size >= 4) {
        now += Take(data, size, 2);
        const std::size_t length = std::min<std::size_t>(Take(data, size, 2), size);
        const std::string_view datagram(reinterpret_cast<const char*>(data), length);
        data += length;
        size -= length;

        const keeper::HangWatch before = watch;
        keeper::TakeNotification(watch, now, datagram);
        const Said said = Read(datagram);
        Require(watch.Armed == (before.Armed || said.Ping));
        Require(watch.LastPing == (said.Ping ? now : before.LastPing));
        Require(watch.Triggered == (before.Triggered || said.Trigger));
        Require(watch.Stopping == (before.Stopping || said.Stopping));
        Require(watch.Timeout == (said.NewTimeout ? said.Timeout : before.Timeout));
        Require(watch.ReadyBy == before.ReadyBy && !watch.Failing);

        std::uint32_t wait = 0;
        const bool hangs = keeper::Hangs(watch, now);
        Require(!hangs || !watch.Stopping);
        if (keeper::PingDeadline(watch, now, wait)) {
            Require(!watch.Stopping && wait <= 0x7FFFFFFF);
            // Woken at the end of its wait, the watcher finds the hang, and not a moment
            // before (a wait cut to 24 days only ends early).
            if (!hangs && wait < 0x7FFFFFFF) {
                Require(wait > 0 && keeper::Hangs(watch, now + wait));
                Require(!keeper::Hangs(watch, now + wait - 1));
            }
        } else {
            // Without a deadline, time makes no hang: only a trigger does.
            Require(keeper::Hangs(watch, now + (std::uint64_t{1} << 40)) == hangs);
            Require(hangs == (watch.Triggered && !watch.Stopping));
        }
    }
    return 0;
}
