#include "core/process_locator.h"

#include <vector>

#include "log/event_log.h"
#include "platform/process_text.h"
#include "platform/processes.h"
#include "resources/messages.h"

namespace keeper {
namespace {

/// The first listed process whose executable is the module, opened; none if none is.
Handle FindRunningInstance(const std::vector<std::uint32_t>& ids, const std::string& moduleName) {
    for (const std::uint32_t id : ids) {
        const Handle process = OpenWatchableProcess(id);
        if (process == NoHandle) continue;  // ended meanwhile, or not ours to inspect
        std::string name;
        if (ExecutableFileName(process, name) && SameTextIgnoreCase(name, moduleName))
            return process;
        CloseProcess(process);
    }
    return NoHandle;
}

}  // namespace

std::string CommandForLaunch(const std::string& command) {
    // Unquoted, "C:\Program Files\App\app.exe" would start C:\Program.exe if one exists.
    const bool hasBlank = command.find(' ') != std::string::npos;
    const bool quoted = command.starts_with('"');
    return hasBlank && !quoted && IsExistingFile(command) ? '"' + command + '"' : command;
}

Located FindOrStartProcess(RunState& run) {
    std::vector<std::uint32_t> ids;
    ErrorCode error = 0;
    if (!ListProcessIds(ids, error)) return {};  // nothing launched, nothing logged
    if (const Handle running = FindRunningInstance(ids, run.ModuleName); running != NoHandle)
        return {running};

    const Launch launch =
        LaunchProcess(CommandForLaunch(run.ApplicationCommand) + " " + run.ApplicationParameters);
    if (!LogIfFailed(run.LogFileName, launch.Process != NoHandle, launch.Error, run.LogFileLimit))
        return {NoHandle, true};

    const MessageId entry = run.FirstStart ? MessageId::StartText : MessageId::RestartText;
    LogEntry(run, MessageText(entry) + " " + run.ApplicationCommand);
    run.FirstStart = false;
    return {launch.Process};
}

}  // namespace keeper
