#include "core/settings.h"

#include <algorithm>
#include <optional>

#include "core/driver.h"
#include "core/run_report.h"
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

/// An integer, the default for a text that is none: the limits' conversion.
template <std::int32_t Default>
std::optional<std::int32_t> IntegerOr(std::string_view text) {
    return ParseIntegerOr(text, Default);
}

/// An integer; a text that is none is invalid.
template <std::int32_t Default>
std::optional<std::int32_t> Integer(std::string_view text) {
    return text.empty() ? Default : ParseInteger(text);
}

/// A number of milliseconds, 0 (off) or above; a text that is none, or below 0, is invalid.
std::optional<std::int32_t> Milliseconds(std::string_view text) {
    const std::optional<std::int32_t> value = Integer<0>(text);
    return value && *value >= 0 ? value : std::nullopt;
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

std::string ReadSetting(const std::string& file, const std::string& key) {
    return ReadProfileString(file, SettingsSection, key, SettingBufferSize);
}

const std::vector<Setting> WatcherSettings = {
    // key                  field and conversion (with the default of an absent key)
    {"Parameters", Into<&RunState::ApplicationParameters, Text>},  // empty
    {"SleepInterval", Into<&RunState::SleepInterval, Pause>},      // 10000
    {"MaxSleepInterval", Into<&RunState::MaxSleepInterval, IntegerOr<0>>},
    {"LogFileLimit", Into<&RunState::LogFileLimit, IntegerOr<0>>},
    {"WorkingDirectory", Into<&RunState::WorkingDirectory, Text>},  // keeper's own
    {"OutputFile", Into<&RunState::OutputFile, Text>},              // none
    {"Window", Into<&RunState::Window, Window>},                    // Default
    {"LogDetails", Into<&RunState::LogDetails, Integer<0>>},
    {"NoRestartExitCodes", Into<&RunState::NoRestartExitCodes, ExitCodes>},  // none
    {"Adoption", Into<&RunState::Adoption, Adoption>},                       // Name
    {"StopApplication", Into<&RunState::StopApplication, Integer<0>>},
    {"HangTimeout", Into<&RunState::HangTimeout, Integer<0>>},
    {"ReadyTimeout", Into<&RunState::ReadyTimeout, Milliseconds>},
};

bool ApplySetting(RunState& run, std::string_view key, std::string_view text) {
    for (const Setting& setting : WatcherSettings)
        if (setting.Key == key) return setting.Apply(run, text);
    return false;
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

std::vector<std::string> ReadWatcherSettings(RunState& run) {
    std::vector<std::string> entries;
    const auto invalid = [&entries](std::string_view key, std::string_view text) {
        entries.push_back(FormatMessageText(MessageId::InvalidValueText, {key, text}));
    };

    std::vector<std::string_view> keys;
    keys.reserve(WatcherSettings.size());
    for (const Setting& setting : WatcherSettings)
        keys.push_back(setting.Key);
    const std::vector<std::string> values =
        ReadProfileStrings(run.ConfigFileName, SettingsSection, keys, SettingBufferSize);
    for (std::size_t i = 0; i < WatcherSettings.size(); ++i)
        if (!WatcherSettings[i].Apply(run, values[i])) invalid(WatcherSettings[i].Key, values[i]);
    run.WorkingDirectory = BesideSettings(run.ConfigFileName, run.WorkingDirectory);
    run.OutputFile = BesideSettings(run.ConfigFileName, run.OutputFile);

    const std::vector<std::string> lines =
        ReadProfileSection(run.ConfigFileName, EnvironmentSection);
    if (!lines.empty()) {
        const std::vector<std::string> own = EnvironmentStrings();
        for (const std::string& line : lines) {
            // Windows may give a section's comments with its lines.
            if (line.starts_with(';')) continue;
            VariableChange change;
            if (EnvironmentChangeOf(line, own, EnvironmentNamesIgnoreCase, change))
                run.EnvironmentChanges.push_back(std::move(change));
            else
                invalid(EnvironmentSection, line);
        }
    }

    std::vector<std::string> unknown;
    const auto known = [&unknown](std::string_view name) {
        const auto same = [name](std::string_view other) {
            return SameAsciiTextIgnoreCase(name, other);
        };
        return same("ApplicationName") ||
               std::any_of(WatcherSettings.begin(), WatcherSettings.end(),
                           [&](const Setting& setting) { return same(setting.Key); }) ||
               std::any_of(unknown.begin(), unknown.end(), same);
    };
    for (const std::string& name : ReadProfileKeyNames(run.ConfigFileName, SettingsSection)) {
        if (name.starts_with(';') || known(name)) continue;
        unknown.push_back(name);
        entries.push_back(FormatMessageText(MessageId::UnknownKeyText, {name}));
    }
    return entries;
}

}  // namespace keeper
