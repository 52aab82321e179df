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
    {"EndLeftovers", Into<&RunState::EndLeftovers, Count>},
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

enum class SectionKind { Other, Settings, Environment };

}  // namespace

std::vector<SettingsNote> ReadWatcherSettings(RunState& run, const Profile& settings) {
    std::vector<std::pair<const Setting*, std::string>> invalid;
    for (const Setting& setting : WatcherSettings) {
        std::string text = ReadSetting(settings, std::string(setting.Key).c_str());
        if (!setting.Apply(run, text)) invalid.emplace_back(&setting, std::move(text));
    }
    run.WorkingDirectory = BesideSettings(run.ConfigFileName, run.WorkingDirectory);
    run.OutputFile = BesideSettings(run.ConfigFileName, run.OutputFile);
    // The lines of [Environment]; one that is no change is remarked on at its line.
    const std::vector<std::string> own = EnvironmentStrings();
    const std::vector<std::string> lines = ReadProfileSection(settings, EnvironmentSection);
    std::vector<bool> invalidLine(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        VariableChange change;
        invalidLine[i] = !EnvironmentChangeOf(lines[i], own, EnvironmentNamesIgnoreCase, change);
        if (!invalidLine[i]) run.EnvironmentChanges.push_back(std::move(change));
    }

    // The file's lines in its order: keeper's two sections, each read once, their keys and
    // lines, and the misspellings of their names; first what is said of the file as a whole.
    std::vector<SettingsNote> notes;
    if (IsUtf16WithoutMark(settings.Contents))
        notes.push_back(
            {0, FormatMessageText(MessageId::Utf16WithoutMarkText, {settings.File}), true});
    bool arguments =
        HoldsArguments(ReadSetting(settings, "ApplicationName"), NativePaths, LeadBytes);
    const auto argumentsNote = [&notes, &arguments](std::size_t line) {
        notes.push_back({line, MessageText(MessageId::ArgumentsInCommandText), true});
        arguments = false;
    };
    const auto note = [&notes](std::size_t line, MessageId id, std::string_view name, bool form) {
        notes.push_back({line, FormatMessageText(id, {name}), form});
    };
    const auto invalidNote = [&notes](std::size_t line, std::string_view key,
                                      std::string_view text) {
        notes.push_back({line, FormatMessageText(MessageId::InvalidValueText, {key, text}), false});
    };
    bool settingsSeen = false;
    bool environmentSeen = false;
    SectionKind in = SectionKind::Other;
    std::vector<std::string> keys;  // of [Settings], as read so far
    std::size_t environmentLine = 0;
    for (const ProfileItem& item : ProfileOutline(settings.Contents)) {
        if (item.IsSection) {
            const bool isSettings = SameAsciiTextIgnoreCase(item.Name, SettingsSection);
            in = SectionKind::Other;
            if (isSettings || SameAsciiTextIgnoreCase(item.Name, EnvironmentSection)) {
                bool& seen = isSettings ? settingsSeen : environmentSeen;
                if (seen)
                    note(item.Line, MessageId::DuplicateSectionText, item.Name, true);
                else
                    in = isSettings ? SectionKind::Settings : SectionKind::Environment;
                seen = true;
            } else if (IsMisspelling(item.Name, SettingsSection) ||
                       IsMisspelling(item.Name, EnvironmentSection)) {
                note(item.Line, MessageId::UnknownSectionText, item.Name, true);
            }
        } else if (in == SectionKind::Environment) {
            if (environmentLine < lines.size() && invalidLine[environmentLine])
                invalidNote(item.Line, EnvironmentSection, lines[environmentLine]);
            ++environmentLine;
        } else if (in == SectionKind::Settings && !item.Name.empty()) {
            const auto same = [&item](std::string_view other) {
                return SameAsciiTextIgnoreCase(item.Name, other);
            };
            if (std::any_of(keys.begin(), keys.end(), same)) {
                note(item.Line, MessageId::DuplicateKeyText, item.Name, true);
                continue;
            }
            keys.push_back(item.Name);
            const Setting* setting = SettingOf(item.Name);
            if (setting == nullptr && !same("ApplicationName"))
                note(item.Line, MessageId::UnknownKeyText, item.Name, true);
            if (arguments && same("ApplicationName")) argumentsNote(item.Line);
            for (auto& [key, text] : invalid)
                if (setting != nullptr && key == setting) {
                    invalidNote(item.Line, key->Key, text);
                    key = nullptr;
                }
        }
    }
    // What the system read where this reading of the lines found no key is remarked on all
    // the same: an invalid value never goes unsaid.
    if (arguments) argumentsNote(0);
    for (const auto& [key, text] : invalid)
        if (key != nullptr) invalidNote(0, key->Key, text);
    for (std::size_t i = environmentLine; i < lines.size(); ++i)
        if (invalidLine[i]) invalidNote(0, EnvironmentSection, lines[i]);
    return notes;
}

bool HoldsArguments(std::string_view command, const PathStyle& style, const LeadByteSet& lead) {
    constexpr std::string_view blanks = " \t";
    command = command.substr(0, command.find_last_not_of(blanks) + 1);
    // A quoted program and, after a blank, what follows it: `"C:\My App\x.exe" /c exit 3`.
    const std::size_t close = command.starts_with('"') ? command.find('"', 1) : command.npos;
    if (close != command.npos && close + 1 < command.size() &&
        blanks.find(command[close + 1]) != blanks.npos)
        return true;
    // No program's file name holds a quote, and a blank beside one parts words.
    const std::string name = FileNamePart(command, style, lead);
    return name.find('"') != name.npos && name.find_first_of(blanks) != name.npos;
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
    if (IsUtf16WithoutMark(settings.Contents))
        return FormatMessageText(MessageId::Utf16WithoutMarkText, {settings.File});
    const std::vector<ProfileItem> items = ProfileOutline(settings.Contents);
    const auto settingsSection =
        std::find_if(items.begin(), items.end(), [](const ProfileItem& item) {
            return item.IsSection && SameAsciiTextIgnoreCase(item.Name, SettingsSection);
        });
    if (settingsSection == items.end())
        return FormatMessageText(MessageId::NoSettingsSectionText, {settings.File});
    std::string keys;
    bool named = false;
    for (auto item = settingsSection + 1; item != items.end() && !item->IsSection; ++item) {
        if (item->Name.empty()) continue;
        named = named || SameAsciiTextIgnoreCase(item->Name, "ApplicationName");
        keys += (keys.empty() ? "" : ", ") + item->Name;
    }
    if (named) return FormatMessageText(MessageId::NoProgramText, {settings.File});
    return FormatMessageText(MessageId::NoApplicationNameText,
                             {settings.File, keys.empty() ? "none" : keys});
}

}  // namespace keeper
