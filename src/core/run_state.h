// The run state of one invocation: created at start-up, alive until the process ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/error_report.h"
#include "core/status.h"
#include "log/event_log.h"
#include "platform/handles.h"
#include "platform/processes.h"
#include "text/variables.h"

namespace keeper {

inline constexpr std::int32_t DefaultSleepInterval = 10000;

/// Which running process the watcher takes for the application ("Adoption").
enum class AdoptionRule {
    Name,     ///< one whose executable has the module's name (the default)
    Command,  ///< one of the module's name whose arguments are the Parameters
    Off,      ///< none: the watcher always launches
};

struct RunState {
    std::string ExePath;             ///< full path of keeper's own executable
    std::string ProgramName;         ///< its file name without extension: keeper
    std::string LogFileName;         ///< event log, by default beside the executable
    std::string ConfigFileName;      ///< settings file, by default beside the executable
    bool StopRequested = false;      ///< the switch "u"
    bool StatusRequested = false;    ///< the switch "s"
    bool HelpRequested = false;      ///< the switch "?" or "h", or "--help"
    bool VersionRequested = false;   ///< the switch "v", or "--version"
    bool FirstStart = true;          ///< the next launch is logged as "Start", later ones "Restart"
    bool ForkHinted = false;         ///< the hint at a program that forks is logged
    std::string ApplicationCommand;  ///< "ApplicationName" of the settings
    std::string ApplicationParameters;                  ///< "Parameters" of the settings
    std::string ModuleName;                             ///< upper-cased file name of the command
    std::int32_t SleepInterval = DefaultSleepInterval;  ///< pause before a relaunch, ms
    /// Above 0: the pauses after runs shorter than this back off up to it, ms.
    std::int32_t MaxSleepInterval = 0;
    /// Above 0: the log is rotated before an entry once it holds this many bytes.
    std::int32_t LogFileLimit = 0;
    /// The opt-in settings of the application's run; each empty or 0 when its key is absent.
    std::string WorkingDirectory;  ///< the application's current directory; empty: keeper's
    std::string OutputFile;        ///< where its standard output and error are appended
    WindowState Window = WindowState::Default;  ///< the show state of its first window
    /// "NAME=value" lines of the [Environment] section, set on top of keeper's environment.
    std::vector<VariableChange> EnvironmentChanges;
    /// Above 0: process identifiers in the "Start", "Restart" and "Adopt" entries, and an
    /// "End" entry after each end.
    std::int32_t LogDetails = 0;
    std::vector<std::uint32_t> NoRestartExitCodes;  ///< exit codes that end the watcher
    AdoptionRule Adoption = AdoptionRule::Name;     ///< which running process is adopted
    /// Above 0: a stop request ends the application first, asking it and, after this many
    /// ms, ending it by force; every pause ends at a stop request; a stopper waits.
    std::int32_t StopApplication = 0;
    /// Above 0: an application that hangs this many ms is ended and relaunched.
    std::int32_t HangTimeout = 0;
    /// Above 0: what is left of a launched application's tree when it ends by itself is
    /// ended before the pause.
    std::int32_t EndLeftovers = 0;
    /// Above 0, with "HangTimeout" on Linux: a launched application that has not said it
    /// is ready, nor pinged, this many ms after its launch hangs.
    std::int32_t ReadyTimeout = 0;
    /// With "HangTimeout" on Linux: the socket of the notification protocol and its address,
    /// given to each launched application; none where it could not be made.
    Handle NotifySocket = NoHandle;
    std::string NotifyAddress;
    /// What a status query learns of the watcher, and the record it reads it from; none
    /// where the record could not be made.
    WatchStatus Status;
    Handle StatusRecord = NoHandle;
    /// Slot 0 the instance event, slot 1 the watched process; waited on together.
    Handle WaitHandles[2] = {NoHandle, NoHandle};
};

/// Appends one entry to the run's log, rotated at its size limit, with its control bytes made
/// visible. A log that cannot be written ends the program through the fatal-error report.
inline void LogEntry(const RunState& run, std::string_view message) {
    if (const ErrorCode error = WriteLog(run.LogFileName, VisibleText(message), run.LogFileLimit))
        RaiseLogFailure(error);
}

/// Passes `succeeded` through; when it is false, first logs "Error <code>: <text>".
inline bool LogIfFailed(const RunState& run, bool succeeded, ErrorCode code) {
    if (!succeeded) LogEntry(run, ErrorEntry(code));
    return succeeded;
}

}  // namespace keeper
