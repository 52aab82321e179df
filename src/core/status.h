// The status query: what the watcher publishes at each turn of its loop, and what
// "keeper /s" makes of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/hang_watch.h"
#include "log/date_time.h"
#include "platform/processes.h"

namespace keeper {

/// What the watcher tells a status query.
struct WatchStatus {
    std::uint32_t WatcherId = 0;
    DateTimeValue WatcherSince = 0;  ///< local time, as the log's entries are stamped
    enum State : std::uint8_t {
        Starting,  ///< before the first launch or adoption
        Running,   ///< the application runs, since ApplicationSince
        Paused,    ///< it does not run; the next launch is due at ApplicationSince
        Ended,     ///< it does not run, between an end (or a failed launch) and the pause
    };
    State ApplicationState = Starting;
    std::uint32_t ApplicationId = 0;
    bool Launched = false;  ///< launched by this watcher, not adopted
    DateTimeValue ApplicationSince = 0;
    std::uint32_t Launches = 0;  ///< launches since the watcher started; all but the first restart
    bool HasEnded = false;       ///< LastEnd and LastLasted tell of the last end
    ExitStatus LastEnd;
    HangCause LastHang = HangCause::None;  ///< why keeper ended it as hung, at the last end
    std::uint64_t LastLasted = 0;          ///< ms
    /// The command the watcher launches: the full path of its program, and the parameters.
    std::string Command;
    /// The entry of the last launch that failed, and when; empty when none failed.
    std::string LastFailure;
    DateTimeValue LastFailureAt = 0;
    std::string SettingsFile;
    std::string LogFile;
    bool operator==(const WatchStatus&) const = default;
};

/// The record of `status` as the watcher writes it: its length, its fields and a checksum
/// of them, so that a reader tells a record half written from a whole one.
std::string EncodeStatus(const WatchStatus& status);

/// The status of a record EncodeStatus made; false for one half written, cut or garbled.
bool DecodeStatus(std::string_view record, WatchStatus& status);

/// The answer of "keeper /s" for a watcher's status, one fact a line, times as the log
/// stamps them, the last end as its "End" entry says it (`signalName` naming its signal),
/// or as "hung (CAUSE)" when keeper ended the application as hung.
std::string StatusReport(const WatchStatus& status, std::string_view signalName);

/// The exit code of "keeper /s": 0 when the application runs, 1 when the watcher runs
/// but the application does not now.
int StatusExitCode(const WatchStatus& status);

/// The command that a launch of `commandLine` runs, for the status: the full path of its
/// program and the rest of the line; "(not found)" behind it when no program is found.
std::string CommandText(const std::string& commandLine);

/// Why an application hangs, in words: "ping overdue".
std::string HangCauseText(HangCause cause);

/// The status query of the instance `name` of the module `moduleName`: prints the report,
/// or that no watcher runs and the command it would launch (`command`), and gives the exit
/// code: that of StatusExitCode, 3 when no watcher runs, 4 when one runs but its record
/// cannot be read. Starts, stops and logs nothing, and never takes the instance name.
int QueryStatus(const std::string& name, const std::string& moduleName, const std::string& command);

}  // namespace keeper
