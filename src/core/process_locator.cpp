#include "core/process_locator.h"

#include <utility>
#include <vector>

#include "log/event_log.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process_text.h"
#include "platform/processes.h"
#include "resources/messages.h"
#include "text/argument_list.h"
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

/// The arguments as a command line shows them: separated by blanks, one that holds a blank
/// or is empty in double quotes; "(none)" for none.
///   {"-c", "import time"} => `-c "import time"`
std::string ArgumentsText(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return MessageText(MessageId::NoArgumentsText);
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        const bool quoted = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
        text += quoted ? '"' + argument + '"' : argument;
    }
    return text;
}

/// The "Adopt" entry (with "LogDetails"): under a rule that does not compare them, it also
/// names the adopted process's arguments when they are not the configured Parameters, for
/// the watcher may have taken another program's process for the application.
void LogAdoption(const RunState& run, const Located& running, const ModuleQuery& query) {
    std::string entry =
        FormatMessageText(MessageId::ProcessEntryText,
                          {MessageText(MessageId::AdoptText) + " " + run.ApplicationCommand,
                           std::to_string(running.Id)});
    std::vector<std::string> arguments;
    if (run.Adoption != AdoptionRule::Command &&
        ReadArguments(running.Process, running.Id, query, arguments) &&
        arguments != ArgumentList(run.ApplicationParameters, LeadBytes))
        entry = FormatMessageText(MessageId::OtherArgumentsText, {entry, ArgumentsText(arguments)});
    LogEntry(run, entry);
}

/// Under "LogFileLimit", an output file that has reached the limit is renamed to its
/// rotated name before the application gets it again, as the log is. A file that is
/// missing, or that another process holds, is left as it is; a failed rename is logged,
/// and the application goes on appending to the file.
void RotateOutputFile(const RunState& run) {
    if (run.OutputFile.empty() || run.LogFileLimit <= 0) return;
    FileHandle file = 0;
    ErrorCode error = 0;
    if (!Files.Open(run.OutputFile, OpenMode::AppendRenamable, file, error)) return;
    std::uint64_t size = 0;
    if (Files.Size(file, size, error) && size >= static_cast<std::uint64_t>(run.LogFileLimit)) {
        const bool renamed = Files.Rename(
            run.OutputFile, RotatedName(run.OutputFile, NativePaths, LeadBytes), error);
        LogIfFailed(run, renamed, error);
    }
    Files.Close(file, error);
}

}  // namespace

std::string CommandForLaunch(const std::string& command) {
    // Unquoted, "C:\Program Files\App\app.exe" would start C:\Program.exe if one exists.
    const bool hasBlank = command.find(' ') != std::string::npos;
    return hasBlank && IsExistingFile(command) ? '"' + command + '"' : command;
}

Located FindRunningInstance(const std::vector<std::uint32_t>& ids, const ModuleQuery& query) {
    for (const std::uint32_t id : ids) {
        if (const Handle process = OpenProcessOfModule(id, query); process != NoHandle)
            return {process, false, id};
    }
    return {};
}

LaunchOptions LaunchOptionsOf(const RunState& run, const std::string& command) {
    LaunchOptions options;
    options.CommandLine = command + " " + run.ApplicationParameters;
    options.WorkingDirectory = run.WorkingDirectory;
    options.EnvironmentChanges = run.EnvironmentChanges;
    options.OutputFile = run.OutputFile;
    options.Window = run.Window;
    // A hung application is ended with what it started, too.
    options.OwnGroup = run.StopApplication > 0 || run.HangTimeout > 0;
    options.ConsoleGroup = run.StopApplication > 0;
    if (run.HangTimeout > 0) {
        options.WatchdogTimeout = static_cast<std::uint32_t>(run.HangTimeout);
        options.NotifyPath = run.NotifyPath;
    }
    return options;
}

Located FindOrStartProcess(RunState& run) {
    std::string command;
    if (run.Adoption == AdoptionRule::Off) {
        // Nothing is adopted, so the process list is not read (nor can it fail).
        command = CommandForLaunch(run.ApplicationCommand);
    } else {
        std::vector<std::uint32_t> ids;
        ErrorCode error = 0;
        if (!ListProcessIds(ids, error)) return {};  // nothing launched, nothing logged
        command = CommandForLaunch(run.ApplicationCommand);
        ModuleQuery query = PrepareModuleQuery(run.ModuleName, command);
        if (run.Adoption == AdoptionRule::Command)
            query.Arguments = ArgumentList(run.ApplicationParameters, LeadBytes);
        if (const Located running = FindRunningInstance(ids, query); running.Process != NoHandle) {
            if (run.LogDetails > 0) LogAdoption(run, running, query);
            return running;
        }
    }

    RotateOutputFile(run);
    const Launch launch = LaunchProcess(LaunchOptionsOf(run, command));
    if (!LogIfFailed(run, launch.Process != NoHandle, launch.Error))
        return {NoHandle, true};

    LogProcessEntry(run, run.FirstStart ? MessageId::StartText : MessageId::RestartText, launch.Id);
    run.FirstStart = false;
    if (launch.GroupError != 0)
        LogEntry(run, FormatMessageText(MessageId::ErrorEntryText,
                                        {launch.GroupCall, SystemErrorText(launch.GroupError)}));
    return {launch.Process, false, launch.Id, true, launch.Group};
}

}  // namespace keeper
