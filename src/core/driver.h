// The watchdog's life: start-up, switches, settings, the instance event and the watch loop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/process_locator.h"
#include "core/run_state.h"

namespace keeper {

/// keeper's exit codes, the same on both systems: 0 when it did what was asked, each kind
/// of failure a code of its own. A status query has codes of its own (see QueryStatus).
enum ExitCode : int {
    /// A watcher stopped on request or at an exit code of "NoRestartExitCodes", a stopper
    /// (whose watcher has ended, with "StopApplication"), a duplicate that found the
    /// watcher running, a stopper that found none.
    ExitDone = 0,
    ExitFatalReport = 1,    ///< a log entry could not be written (or memory ran out)
    ExitStopTimedOut = 2,   ///< the watcher still ran "StopApplication" + 15 s after the request
    ExitLaunchFailed = 5,   ///< the application could not be launched, and the watcher ended
    ExitNotConfigured = 6,  ///< the settings file names no program
    ExitSettingsUnreadable = 7,  ///< the settings file cannot be read
    /// The instance event could not be made, a wait failed, or the process list could not
    /// be read: a call of the system failed.
    ExitSystemFailure = 8,
};

/// Runs one invocation from start to end and gives the process exit code (a raised error
/// never returns here).
int RunWatchdog();

/// The process to watch next: a running instance of the application (FindApplication), or
/// else a new launch (LaunchApplication). None when the process list cannot be read
/// (nothing launched, nothing logged) or the launch failed (its error logged).
Located FindOrStartProcess(RunState& run);

/// The watcher's loop: the process `locate` finds or starts is waited for, and after its
/// end and a pause the next; until a stop request, a failed wait or launch, a process list
/// that cannot be read, or an exit code of "NoRestartExitCodes". Gives the exit code.
ExitCode WatchLoop(RunState& run, Located (*locate)(RunState&));

/// The letter of a two-byte switch "-x" or "/x"; the empty text for anything else.
/// "/u" => "u";  "-ux" => "";  "u" => "".
std::string SwitchLetter(std::string_view argument);

/// Applies the switches u, s, l and i of arguments 1..count to the run state, and those
/// of help ("?", "h", "--help") and the version ("v", "--version"); a later l or i
/// overrides an earlier one, and the argument after l or i is taken whatever it is.
void ApplySwitches(RunState& run, int count, std::string (*argumentAt)(int));

/// A path without directory part gets the current directory in front of it.
/// "x.log" => "<cwd>\x.log";  "sub\x.log" and "C:x.log" stay as they are.
void MakeAbsolute(std::string& path, const std::string& currentDirectory);

/// The pause of the "SleepInterval" setting: its integer value, or 10000 for an invalid
/// or negative text (a negative pause would never end, or end only after weeks).
std::int32_t SleepIntervalOf(std::string_view setting);

}  // namespace keeper
