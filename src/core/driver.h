// The watchdog's life: start-up, switches, settings, the instance event and the watch loop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/process_locator.h"
#include "core/run_state.h"

namespace keeper {

/// Runs one invocation from start to end and gives the process exit code (always 0;
/// a raised error never returns here).
int RunWatchdog();

/// The process to watch next: a running instance of the application (FindApplication), or
/// else a new launch (LaunchApplication). None when the process list cannot be read
/// (nothing launched, nothing logged) or the launch failed (its error logged).
Located FindOrStartProcess(RunState& run);

/// The watcher's loop: the process `locate` finds or starts is waited for, and after its
/// end and a pause the next; until a stop request, a failed wait or launch, a process list
/// that cannot be read, or an exit code of "NoRestartExitCodes".
void WatchLoop(RunState& run, Located (*locate)(RunState&));

/// The letter of a two-byte switch "-x" or "/x"; the empty text for anything else.
/// "/u" => "u";  "-ux" => "";  "u" => "".
std::string SwitchLetter(std::string_view argument);

/// Applies the switches u, l and i of arguments 1..count to the run state; a later l or
/// i overrides an earlier one, and the argument after l or i is taken whatever it is.
void ApplySwitches(RunState& run, int count, std::string (*argumentAt)(int));

/// A path without directory part gets the current directory in front of it.
/// "x.log" => "<cwd>\x.log";  "sub\x.log" and "C:x.log" stay as they are.
void MakeAbsolute(std::string& path, const std::string& currentDirectory);

/// The pause of the "SleepInterval" setting: its integer value, or 10000 for an invalid
/// or negative text (a negative pause would never end, or end only after weeks).
std::int32_t SleepIntervalOf(std::string_view setting);

}  // namespace keeper
