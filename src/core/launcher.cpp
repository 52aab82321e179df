#include "core/launcher.h"

#include "log/event_log.h"
#include "log/time_stamp.h"
#include "platform/files.h"
#include "platform/process_text.h"
#include "resources/messages.h"
#include "text/paths.h"

namespace keeper {
namespace {

/// The entry of a start, restart or adoption: with "LogDetails", it names the process.
void LogProcessEntry(const RunState& run, MessageId what, std::uint32_t id) {
    const std::string entry = MessageText(what) + " " + run.ApplicationCommand;
    LogEntry(run, run.LogDetails > 0
                      ? FormatMessageText(MessageId::ProcessEntryText, {entry, std::to_string(id)})
                      : entry);
}

/// Under "LogFileLimit", an output file that has reached the limit is renamed to its
/// rotated name before the application gets it again, as the log is. A file that is
/// missing, or that another process holds, is left as it is; a failed rename is logged,
/// and the application goes on appending to the file.
void RotateOutputFile(const RunState& run) {
    if (run.OutputFile.empty() || run.LogFileLimit <= 0) return;
    const Result<FileHandle> file = Files.Open(run.OutputFile, OpenMode::AppendRenamable);
    if (file.Error != 0) return;
    const Result<std::uint64_t> size = Files.Size(file.Value);
    if (size.Error == 0 && size.Value >= static_cast<std::uint64_t>(run.LogFileLimit)) {
        const ErrorCode error =
            Files.Rename(run.OutputFile, RotatedName(run.OutputFile, NativePaths, LeadBytes));
        LogIfFailed(run, error == 0, error);
    }
    static_cast<void>(Files.Close(file.Value));
}

/// The entry of a launch that failed: "Error N: text", naming the opt-in setting that
/// failed it and its value ("Error 2: No such file or directory (WorkingDirectory /x)").
/// A failed program is named, with its command line, in an entry after it with
/// "LogDetails". The status record keeps the entry and its time.
void LogLaunchFailure(RunState& run, const Launch& launch, const LaunchOptions& options) {
    std::string entry = ErrorEntry(launch.Error);
    if (launch.Failed == LaunchPart::WorkingDirectory)
        entry = FormatMessageText(MessageId::SettingValueText,
                                  {entry, "WorkingDirectory", options.WorkingDirectory});
    else if (launch.Failed == LaunchPart::OutputFile)
        entry = FormatMessageText(MessageId::SettingValueText,
                                  {entry, "OutputFile", options.OutputFile});
    LogEntry(run, entry);
    if (launch.Failed == LaunchPart::Program && run.LogDetails > 0)
        LogEntry(run, FormatMessageText(MessageId::CommandLineText, {options.CommandLine}));
    run.Status.LastFailure = VisibleText(entry);
    run.Status.LastFailureAt = CurrentLocalDateTime().Value;
}

}  // namespace

std::string CommandForLaunch(const std::string& command) {
    // Unquoted, "C:\Program Files\App\app.exe" would start C:\Program.exe if one exists.
    const bool hasBlank = command.find(' ') != std::string::npos;
    return hasBlank && IsExistingFile(command) ? '"' + command + '"' : command;
}

std::string CommandLineOf(const std::string& command, const std::string& parameters) {
    return CommandForLaunch(command) + " " + parameters;
}

LaunchOptions LaunchOptionsOf(const RunState& run, const std::string& command) {
    LaunchOptions options;
    options.CommandLine = command + " " + run.ApplicationParameters;
    options.WorkingDirectory = run.WorkingDirectory;
    options.EnvironmentChanges = run.EnvironmentChanges;
    options.OutputFile = run.OutputFile;
    options.Window = run.Window;
    // A hung application is ended with what it started, too, and so is what an application
    // leaves when it ends, with "EndLeftovers".
    options.OwnGroup = run.StopApplication > 0 || run.HangTimeout > 0 || run.EndLeftovers > 0;
    options.ConsoleGroup = run.StopApplication > 0;
    if (run.HangTimeout > 0) {
        options.WatchdogTimeout = static_cast<std::uint32_t>(run.HangTimeout);
        options.NotifyAddress = run.NotifyAddress;
    }
    return options;
}

Located LaunchApplication(RunState& run) {
    RotateOutputFile(run);
    const LaunchOptions options = LaunchOptionsOf(run, CommandForLaunch(run.ApplicationCommand));
    const Launch launch = LaunchProcess(options);
    if (launch.Process == NoHandle) {
        LogLaunchFailure(run, launch, options);
        return {NoHandle, true};
    }

    LogProcessEntry(run, run.FirstStart ? MessageId::StartText : MessageId::RestartText, launch.Id);
    run.FirstStart = false;
    if (launch.GroupError != 0)
        LogEntry(run, FormatMessageText(MessageId::ErrorEntryText,
                                        {launch.GroupCall, SystemErrorText(launch.GroupError)}));
    return {launch.Process, false, launch.Id, true, launch.Group};
}

}  // namespace keeper
