// Finding a running instance of the application to adopt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/run_state.h"
#include "platform/processes.h"

namespace keeper {

/// The process to watch: an instance found running, or one just launched.
struct Located {
    Handle Process = NoHandle;  ///< none when the list could not be read or the launch failed
    bool LaunchFailed = false;  ///< the launch failed, and its error entry is logged
    std::uint32_t Id = 0;       ///< the process's identifier
    bool Launched = false;      ///< launched now, not adopted
    Handle Group = NoHandle;    ///< the group of a launch with "StopApplication" or "HangTimeout"
};

/// A running instance of the application to adopt: the first running process (in the
/// platform's order) whose executable file name equals `ModuleName` without regard to
/// case, under AdoptionRule::Command also whose arguments are `ApplicationParameters`;
/// none when none runs, and under AdoptionRule::Off, where the list is not read. The error
/// when the process list cannot be read. With "LogDetails" an adoption is logged as
/// "Adopt", naming the process.
Result<Located> FindApplication(const RunState& run);

/// The query for a running process of the application's module, by its name (and the files
/// a command started through a link or a script runs), whatever its arguments.
ModuleQuery NameQuery(const RunState& run);

/// The first of the listed processes (in their order) that runs the module `query`
/// looks for, opened, with its identifier; none when none does.
Located FindRunningInstance(const std::vector<std::uint32_t>& ids, const ModuleQuery& query);

}  // namespace keeper
