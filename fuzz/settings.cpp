// The watcher's reading of a whole settings file: the conversions of every key, the
// [Environment] lines, and the entries about the file's mistakes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"
#include "support.h"

using keeper::fuzz::Require;

namespace {

bool IsEntry(std::string_view entry) {
    for (const std::string_view head :
         {"Invalid value of ", "Unknown key in Settings: ", "Unknown section: "}) {
        if (entry.starts_with(head) && entry.size() > head.size()) return true;
    }
    for (const std::string_view head : {"Duplicate key in Settings: ", "Duplicate section: "}) {
        if (entry.starts_with(head) && entry.ends_with("; the first one counts")) return true;
    }
    return entry == "ApplicationName holds arguments: put them in Parameters" ||
           entry ==
               "The settings file /etc/keeper/keeper.cfg is UTF-16 without a byte-order "
               "mark: save it as UTF-8, or as Unicode with its mark";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    // The file's text as the Linux reader holds it once it has read the file.
    keeper::Profile settings{"/etc/keeper/keeper.cfg", provider.ConsumeRemainingBytesAsString(), 0};
    keeper::RunState run;
    run.ConfigFileName = settings.File;
    for (const keeper::SettingsNote& note : keeper::ReadWatcherSettings(run, settings))
        Require(IsEntry(note.Text) && note.Text.find_first_of("\r\n") == std::string::npos);
    // What an invalid or absent count leaves is the default, never a negative count.
    Require(run.SleepInterval >= 0 && run.MaxSleepInterval >= 0 && run.LogFileLimit >= 0 &&
            run.LogDetails >= 0 && run.StopApplication >= 0 && run.HangTimeout >= 0);
    for (const keeper::VariableChange& change : run.EnvironmentChanges)
        Require(!change.Name.empty() && change.Name.find('=') == std::string::npos);
    // Relative paths are taken beside the settings file.
    for (const std::string* path : {&run.WorkingDirectory, &run.OutputFile})
        Require(path->empty() || path->starts_with("/"));
    Require(!keeper::MissingModuleCause(settings).empty());
    return 0;
}
