#include "core/settings.h"

#include <algorithm>
#include <optional>

#include "core/driver.h"
#include "core/run_report.h"
#include "log/event_log.h"
#include "platform/environment.h"
#include "platform/process_text.h"
#include "platform/profile.h"
#include "resources/messages.h"
#include "text/ascii.h"
#include "text/integer_text.h"
#include "text/paths.h"
#include "text/profile_lookup.h"

namespace keeper {
namespace {

constexpr char SettingsSection[] = "Settings";
constexpr char EnvironmentSection[] = "Environment";
constexpr std::size_t SettingBufferSize = 16384;

// The conversions of the table: a text to a value, or none for an invalid text. The empty
// text is an absent key, and gives the default.

std::optional<std::string> Text(std::string_view text) { return std::string(text); }

std::optional<std::int32_t> Pause(std::string_view text) { return SleepIntervalOf(text); }

/// A count of milliseconds, bytes or times, 0 for none; a text that is none, or a negative
/// number, is invalid.
std::optional<std::int32_t> Count(std::string_view text) {
    if (text.empty()) return 0;
    const std::optional<std::int32_t> value = ParseInteger(text);
    if (!value || *value < 0) return std::nullopt;
    return value;
}

std::optional<WindowState> Window(std::string_view text) {
    const struct {
        std::string_view Name;
        WindowState State;
    } states[] = {{"", WindowState::Default},
                  {"normal", WindowState::Normal},
                  {"hidden", WindowState::Hidden},
                  {"minimized", WindowState::Minimized},
                  {"maximized", WindowState::Maximized}};
    for (const auto& state : states)
        if (SameAsciiTextIgnoreCase(text, state.Name)) return state.State;
    return std::nullopt;
}

std::optional<AdoptionRule> Adoption(std::string_view text) {
    const struct {
        std::string_view Name;
        AdoptionRule Rule;
    } rules[] = {{"", AdoptionRule::Name},
                 {"name", AdoptionRule::Name},
                 {"command", AdoptionRule::Command},
                 {"off", AdoptionRule::Off}};
    for (const auto& rule : rules)
        if (SameAsciiTextIgnoreCase(text, rule.Name)) return rule.Rule;
    return std::nullopt;
}

std::optional<std::vector<std::uint32_t>> ExitCodes(std::string_view text) {
    std::vector<std::uint32_t> codes;
    if (!text.empty() && !ParseExitCodes(text, codes)) return std::nullopt;
    return codes;
}

/// Sets `Field` of the run state by `Convert`; an invalid text leaves it at its default.
template <auto Field, auto Convert>
bool Into(RunState& run, std::string_view text) {
    auto value = Convert(text);
    if (!value) return false;
    run.*Field = std::move(*value);
    return true;
}

}  // namespace

std::string ReadSetting(const Profile& settings, const char* key) {
    return ReadProfileString(settings, SettingsSection, key, SettingBufferSize);
}

namespace {

// Every key the watcher reads beside "ApplicationName", which every invocation reads first.
constexpr Setting WatcherSettings[] = {
    // key                  field and conversion (with the default of an absent key)
    {"Parameters", Into<&RunState::ApplicationParameters, Text>},  // empty
    {"SleepInterval", Into<&RunState::SleepInterval, Pause>},      // 10000
    {"MaxSleepInterval", Into<&RunState::MaxSleepInterval, Count>},
    {"LogFileLimit", Into<&RunState::LogFileLimit, Count>},
    {"WorkingDirectory", Into<&RunState::WorkingDirectory, Text>},  // keeper's own
    {"OutputFile", Into<&RunState::OutputFile, Text>},              // none
    {"Window", Into<&RunState::Window, Window>},                    // Default
    {"LogDetails", Into<&RunState::LogDetails, Count>},
    {"NoRestartExitCodes", Into<&RunState::NoRestartExitCodes, ExitCodes>},  // none
    {"Adoption", Into<&RunState::Adoption, Adoption>},                       // Name
    {"StopApplication", Into<&RunState::StopApplication, Count>},
    {"HangTimeout", Into<&RunState::HangTimeout, Count>},
    {"ReadyTimeout", Into<&RunState::ReadyTimeout, Count>},
};

const Setting* SettingOf(std::string_view key) {
    for (const Setting& setting : WatcherSettings)
        if (SameAsciiTextIgnoreCase(setting.Key, key)) return &setting;
    return nullptr;
}

}  // namespace

bool ApplySetting(RunState& run, std::string_view key, std::string_view text) {
    const Setting* setting = SettingOf(key);
    return setting != nullptr && setting->Apply(run, text);
}

bool EnvironmentChangeOf(std::string_view line, const std::vector<std::string>& environment,
                         bool ignoreCase, VariableChange& change) {
    const std::size_t equals = line.find('=');
    if (equals == 0 || equals == std::string_view::npos) return false;
    const std::string_view value = WithoutEnclosingQuotes(line.substr(equals + 1));
    change = {std::string(line.substr(0, equals)), ExpandVariables(value, environment, ignoreCase)};
    return true;
}

std::string BesideSettings(const std::string& configFileName, const std::string& value) {
    if (value.empty() || !IsRelativePath(value, NativePaths)) return value;
    return DirectoryPart(configFileName, NativePaths, LeadBytes) + value;
}

namespace {

/// The entries of the keys of [Settings], in file order, after their values have been
/// applied; `invalid` holds the table's keys whose text was no valid value.
void CheckSettingsKeys(const Profile& settings,
                       const std::vector<std::pair<const Setting*, std::string>>& invalid,
                       std::vector<std::string>& entries) {
    std::vector<std::string> seen;
    for (const std::string& name : ReadProfileKeyNames(settings, SettingsSection)) {
        const auto same = [&name](std::string_view other) {
            return SameAsciiTextIgnoreCase(name, other);
        };
        if (std::any_of(seen.begin(), seen.end(), same)) {
            entries.push_back(FormatMessageText(MessageId::DuplicateKeyText, {name}));
            continue;
        }
        seen.push_back(name);
        const Setting* setting = SettingOf(name);
        if (setting == nullptr && !same("ApplicationName"))
            entries.push_back(FormatMessageText(MessageId::UnknownKeyText, {name}));
        for (const auto& [key, text] : invalid)
            if (key == setting)
                entries.push_back(FormatMessageText(MessageId::InvalidValueText, {key->Key, text}));
    }
}

/// Applies the lines of [Environment]; a line that is no change gets its entry.
void ReadEnvironmentSection(RunState& run, const Profile& settings,
                            std::vector<std::string>& entries) {
    const std::vector<std::string> own = EnvironmentStrings();
    for (const std::string& line : ReadProfileSection(settings, EnvironmentSection)) {
        VariableChange change;
        if (EnvironmentChangeOf(line, own, EnvironmentNamesIgnoreCase, change))
            run.EnvironmentChanges.push_back(std::move(change));
        else
            entries.push_back(
                FormatMessageText(MessageId::InvalidValueText, {EnvironmentSection, line}));
    }
}

}  // namespace

std::vector<std::string> ReadWatcherSettings(RunState& run, const Profile& settings) {
    std::vector<std::pair<const Setting*, std::string>> invalid;
    for (const Setting& setting : WatcherSettings) {
        std::string text = ReadSetting(settings, std::string(setting.Key).c_str());
        if (!setting.Apply(run, text)) invalid.emplace_back(&setting, std::move(text));
    }
    run.WorkingDirectory = BesideSettings(run.ConfigFileName, run.WorkingDirectory);
    run.OutputFile = BesideSettings(run.ConfigFileName, run.OutputFile);

    // The file's sections in its order: keeper's two, each counted once, and the
    // misspellings of their names.
    std::vector<std::string> entries;
    bool settingsSeen = false;
    bool environmentSeen = false;
    for (const std::string& section : ReadProfileSectionNames(settings)) {
        const bool isSettings = SameAsciiTextIgnoreCase(section, SettingsSection);
        bool& seen = isSettings ? settingsSeen : environmentSeen;
        if (isSettings || SameAsciiTextIgnoreCase(section, EnvironmentSection)) {
            if (seen) {
                entries.push_back(FormatMessageText(MessageId::DuplicateSectionText, {section}));
            } else if (isSettings) {
                CheckSettingsKeys(settings, invalid, entries);
            } else {
                ReadEnvironmentSection(run, settings, entries);
            }
            seen = true;
        } else if (IsMisspelling(section, SettingsSection) ||
                   IsMisspelling(section, EnvironmentSection)) {
            entries.push_back(FormatMessageText(MessageId::UnknownSectionText, {section}));
        }
    }
    return entries;
}

bool IsMisspelling(std::string_view name, std::string_view known) {
    // The optimal string alignment distance, by rows of a table, stopped once it exceeds 2.
    if (name.size() + 2 < known.size() || known.size() + 2 < name.size()) return false;
    const auto same = [&](std::size_t i, std::size_t j) {
        return AsciiUpperCase(name[i]) == AsciiUpperCase(known[j]);
    };
    std::vector<std::size_t> before(known.size() + 1), above(known.size() + 1),
        row(known.size() + 1);
    for (std::size_t j = 0; j <= known.size(); ++j)
        above[j] = j;
    for (std::size_t i = 0; i < name.size(); ++i) {
        row[0] = i + 1;
        std::size_t least = row[0];
        for (std::size_t j = 0; j < known.size(); ++j) {
            row[j + 1] = std::min({above[j + 1] + 1, row[j] + 1, above[j] + (same(i, j) ? 0 : 1)});
            if (i > 0 && j > 0 && same(i, j - 1) && same(i - 1, j))
                row[j + 1] = std::min(row[j + 1], before[j - 1] + 1);
            least = std::min(least, row[j + 1]);
        }
        if (least > 2) return false;
        before.swap(above);
        above.swap(row);
    }
    const std::size_t distance = above[known.size()];
    return distance > 0 && distance <= 2;
}

std::string MissingModuleCause(const Profile& settings) {
    if (settings.Error != 0)
        return FormatMessageText(MessageId::UnreadableSettingsText,
                                 {settings.File, SystemErrorText(settings.Error)});
    const std::vector<std::string> sections = ReadProfileSectionNames(settings);
    if (std::none_of(sections.begin(), sections.end(), [](const std::string& section) {
            return SameAsciiTextIgnoreCase(section, SettingsSection);
        }))
        return FormatMessageText(MessageId::NoSettingsSectionText, {settings.File});
    std::string keys;
    bool named = false;
    for (const std::string& name : ReadProfileKeyNames(settings, SettingsSection)) {
        named = named || SameAsciiTextIgnoreCase(name, "ApplicationName");
        keys += (keys.empty() ? "" : ", ") + name;
    }
    if (named) return FormatMessageText(MessageId::NoProgramText, {settings.File});
    return FormatMessageText(MessageId::NoApplicationNameText,
                             {settings.File, keys.empty() ? "none" : keys});
}

}  // namespace keeper
