// The settings the watcher reads from [Settings] and [Environment], as one table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/run_state.h"

namespace keeper {

/// One key of [Settings] that keeper reads: its name, and what sets its field of the run
/// state from its text (empty when the key is absent). Apply gives false for a text that
/// is no valid value; the field then keeps its default, as for an absent key.
struct Setting {
    std::string_view Key;
    bool (*Apply)(RunState& run, std::string_view text);
};

/// The value of `key` in the [Settings] section of `file`, at most 16383 bytes; the empty
/// text when either is missing.
std::string ReadSetting(const std::string& file, const std::string& key);

/// Every key the watcher reads beside "ApplicationName", which every invocation reads
/// first.
extern const std::vector<Setting> WatcherSettings;

/// Sets the run state from the text of the key `key` of WatcherSettings; false for an
/// invalid text of a key that has invalid texts (the keys keeper had from the start, and
/// the limits of back-off and the log, take any text: what they cannot read means the
/// default).
bool ApplySetting(RunState& run, std::string_view key, std::string_view text);

/// Reads the watcher's settings from the settings file into the run state: the keys of
/// WatcherSettings and the [Environment] section. Gives the entries the watcher logs about
/// them after its start, in order: "Invalid value of KEY: TEXT" for each key, and line of
/// [Environment], whose text is no valid value; then "Unknown key in Settings: NAME" for
/// each key of [Settings] that keeper does not read, once per name.
std::vector<std::string> ReadWatcherSettings(RunState& run);

/// The change of the environment that a line "NAME=value" of [Environment] makes, with
/// %NAME% in the value expanded from `environment`, keeper's own, and one pair of quotes
/// around it removed; false for a line without "=" or without a name.
///   "DATA=%HOME%/data" => {"DATA", "/home/u/data"};  "OLD=" => {"OLD", ""} (removes OLD).
bool EnvironmentChangeOf(std::string_view line, const std::vector<std::string>& environment,
                         bool ignoreCase, VariableChange& change);

/// The path `value` of a setting, which is taken relative to the directory of the settings
/// file when it is relative; the empty text stays empty.
///   ("/etc/k/keeper.cfg", "out.log") => "/etc/k/out.log";  ("/etc/k/keeper.cfg", "/x") => "/x".
std::string BesideSettings(const std::string& configFileName, const std::string& value);

}  // namespace keeper
