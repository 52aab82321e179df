#include "core/process_locator.h"

#include <vector>

#include "log/event_log.h"
#include "platform/process_text.h"
#include "platform/processes.h"
#include "resources/messages.h"

namespace keeper {

std::string CommandForLaunch(const std::string& command) {
    // Unquoted, "C:\Program Files\App\app.exe" would start C:\Program.exe if one exists.
    const bool hasBlank = command.find(' ') != std::string::npos;
    return hasBlank && IsExistingFile(command) ? '"' + command + '"' : command;
}

Handle FindRunningInstance(const std::vector<std::uint32_t>& ids, const ModuleQuery& query) {
    for (const std::uint32_t id : ids) {
        if (const Handle process = OpenProcessOfModule(id, query); process != NoHandle)
            return process;
    }
    return NoHandle;
}

Located FindOrStartProcess(RunState& run) {
    std::vector<std::uint32_t> ids;
    ErrorCode error = 0;
    if (!ListProcessIds(ids, error)) return {};  // nothing launched, nothing logged
    const std::string command = CommandForLaunch(run.ApplicationCommand);
    const ModuleQuery query = PrepareModuleQuery(run.ModuleName, command);
    if (const Handle running = FindRunningInstance(ids, query); running != NoHandle)
        return {running};

    const Launch launch = LaunchProcess(command + " " + run.ApplicationParameters);
    if (!LogIfFailed(run.LogFileName, launch.Process != NoHandle, launch.Error, run.LogFileLimit))
        return {NoHandle, true};

    const MessageId entry = run.FirstStart ? MessageId::StartText : MessageId::RestartText;
    LogEntry(run, MessageText(entry) + " " + run.ApplicationCommand);
    run.FirstStart = false;
    return {launch.Process};
}

}  // namespace keeper
