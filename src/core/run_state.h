// The run state of one invocation: created at start-up, alive until the process ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "log/event_log.h"
#include "platform/handles.h"

namespace keeper {

inline constexpr std::int32_t DefaultSleepInterval = 10000;

struct RunState {
    std::string ExePath;             ///< full path of keeper's own executable
    std::string ProgramName;         ///< its file name without extension: keeper
    std::string LogFileName;         ///< event log, by default beside the executable
    std::string ConfigFileName;      ///< settings file, by default beside the executable
    bool StopRequested = false;      ///< the switch "u"
    bool FirstStart = true;          ///< the next launch is logged as "Start", later ones "Restart"
    std::string ApplicationCommand;  ///< "ApplicationName" of the settings
    std::string ApplicationParameters;                  ///< "Parameters" of the settings
    std::string ModuleName;                             ///< upper-cased file name of the command
    std::int32_t SleepInterval = DefaultSleepInterval;  ///< pause before a relaunch, ms
    /// Above 0: the pauses after runs shorter than this back off up to it, ms.
    std::int32_t MaxSleepInterval = 0;
    /// Above 0: the log is rotated before an entry once it holds this many bytes.
    std::int32_t LogFileLimit = 0;
    /// Slot 0 the instance event, slot 1 the watched process; waited on together.
    Handle WaitHandles[2] = {NoHandle, NoHandle};
};

/// Appends one entry to the run's log, rotated at its size limit.
inline void LogEntry(const RunState& run, std::string_view message) {
    WriteLog(run.LogFileName, message, run.LogFileLimit);
}

}  // namespace keeper
