// Ending the application with the watcher, and the stopper that waits for the watcher.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ending.h"

namespace keeper {

/// Waits at most `milliseconds` for the watched process to end, the notification socket
/// drained meanwhile, so that no sender blocks while it ends: true when it ended, false when
/// it still runs or the wait failed.
bool WaitForEnd(const Watched& watched, std::uint32_t milliseconds);

/// The platform's calls that end a process; tests give their own.
struct EndingCalls {
    void (*Ask)(const Watched& watched);
    bool (*WaitForEnd)(const Watched& watched, std::uint32_t milliseconds);
    void (*Force)(const Watched& watched);
    void (*EndGroup)(const Watched& watched);
};
extern const EndingCalls PlatformEnding;

/// How long the watcher waits for the end of a process it ended by force: long enough for
/// any system to carry it out.
inline constexpr std::uint32_t ForcedEndWait = 10000;

enum class Ending {
    Asked,   ///< it ended within the grace time after the request
    Forced,  ///< it was ended by force, with its group
    Failed,  ///< it still ran after the end by force, too
};

/// Ends the watched process: asks it to end (unless `ask` is false: a hung application
/// cannot answer), waits at most `grace` ms, then ends it and its group by force and waits
/// for that end. Once it has ended, politely or not, what is left of its group is ended by
/// force: a process it started may have ignored the request.
Ending EndApplication(const Watched& watched, bool ask, std::uint32_t grace,
                      const EndingCalls& calls = PlatformEnding);

/// How much longer than "StopApplication" a stopper waits for the watcher: the forced end's
/// own wait, and five seconds more for the entries on a loaded machine.
inline constexpr std::uint32_t StopperMargin = ForcedEndWait + 5000;

/// The exit code of a stopper that waits: 0 once the watcher has ended, 2 when it still ran
/// after "StopApplication" + StopperMargin ms. `wait` is WaitForWatcherEnd.
int AwaitWatcherEnd(bool (*wait)(Handle, const std::string&, std::uint32_t), Handle event,
                    const std::string& name, std::int32_t stopApplication);

}  // namespace keeper
