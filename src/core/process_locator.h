// Finding a running instance of the watched module, or launching the application.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/run_state.h"
#include "platform/processes.h"

namespace keeper {

struct Located {
    Handle Process = NoHandle;  ///< none when the list could not be read or the launch failed
    bool LaunchFailed = false;  ///< the launch failed, and its error entry is logged
    std::uint32_t Id = 0;       ///< the process's identifier
    bool Launched = false;      ///< launched now, not adopted
    Handle Group = NoHandle;    ///< the group of a launch with "StopApplication" or "HangTimeout"
};

/// The process to watch: the first running process (in the platform's order) whose
/// executable file name equals `ModuleName` without regard to case (under
/// AdoptionRule::Command, also whose arguments are `ApplicationParameters`; under
/// AdoptionRule::Off, none, and the list is not read), or else a newly launched
/// `ApplicationCommand` + " " + `ApplicationParameters`, logged as "Start" the first time
/// and "Restart" afterwards. None when the process list cannot be read (nothing logged) or
/// the launch fails (an error entry logged). With "LogDetails", the entries name the
/// process, and an adoption is logged as "Adopt".
Located FindOrStartProcess(RunState& run);

/// The first of the listed processes (in their order) that runs the module `query`
/// looks for, opened, with its identifier; none when none does.
Located FindRunningInstance(const std::vector<std::uint32_t>& ids, const ModuleQuery& query);

/// The command as it is handed to the platform: quoted when it holds a blank and names an
/// existing file as a whole (a quoted command names none); otherwise as it stands.
/// `C:\Program Files\App\app.exe` => `"C:\Program Files\App\app.exe"` when that file exists.
std::string CommandForLaunch(const std::string& command);

/// The launch of the application that the settings of the run describe, for the command
/// `command` as CommandForLaunch gives it.
LaunchOptions LaunchOptionsOf(const RunState& run, const std::string& command);

}  // namespace keeper
