#include "core/process_locator.h"

#include <utility>
#include <vector>

#include "core/launcher.h"
#include "log/event_log.h"
#include "platform/process_text.h"
#include "platform/processes.h"
#include "resources/messages.h"
#include "text/argument_list.h"
#include "text/paths.h"

namespace keeper {
namespace {

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

}  // namespace

Located FindRunningInstance(const std::vector<std::uint32_t>& ids, const ModuleQuery& query) {
    for (const std::uint32_t id : ids) {
        if (const Handle process = OpenProcessOfModule(id, query); process != NoHandle)
            return {process, false, id};
    }
    return {};
}

ModuleQuery NameQuery(const RunState& run) {
    return PrepareModuleQuery(run.ModuleName, CommandForLaunch(run.ApplicationCommand));
}

Result<Located> FindApplication(const RunState& run) {
    // Nothing is adopted under "Adoption=off", so the process list is not read (nor can it
    // fail).
    if (run.Adoption == AdoptionRule::Off) return {};
    const Result<std::vector<std::uint32_t>> ids = ListProcessIds();
    if (ids.Error != 0) return {{}, ids.Error};
    ModuleQuery query = NameQuery(run);
    if (run.Adoption == AdoptionRule::Command)
        query.Arguments = ArgumentList(run.ApplicationParameters, LeadBytes);
    const Located running = FindRunningInstance(ids.Value, query);
    if (running.Process != NoHandle && run.LogDetails > 0) LogAdoption(run, running, query);
    return {running, 0};
}

}  // namespace keeper
