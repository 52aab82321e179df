// The settings the watcher reads from [Settings] and [Environment], as one table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_state.h"
#include "platform/profile.h"
#include "text/double_byte.h"
#include "text/paths.h"

namespace keeper {

/// One key of [Settings] that keeper reads: its name, and what sets its field of the run
/// state from its text (empty when the key is absent). Apply gives false for a text that
/// is no valid value; the field then keeps its default, as for an absent key.
struct Setting {
    std::string_view Key;
    bool (*Apply)(RunState& run, std::string_view text);
};

/// The value of `key` in the [Settings] section of the settings file, at most 16383 bytes;
/// the empty text when either is missing.
std::string ReadSetting(const Profile& settings, const char* key);

/// Sets the run state from the text of the key `key` of the watcher's settings (every key
/// of [Settings] beside "ApplicationName", which every invocation reads first); false for
/// an invalid text of a key that has invalid texts (the keys keeper had from the start
/// take any text: what they cannot read means the default).
bool ApplySetting(RunState& run, std::string_view key, std::string_view text);

/// A remark on the settings file: the line it is about (0: the file as a whole) and its text.
/// `Form`: a remark on the file's form, which keeper reads all the same (a key given again, a
/// key or a section keeper does not read), logged only with "LogDetails"; otherwise a value of
/// an opt-in key or line that is invalid, always logged.
struct SettingsNote {
    std::size_t Line = 0;
    std::string Text;
    bool Form = false;
};

/// Reads the watcher's settings from the settings file into the run state: the keys of
/// [Settings] and the [Environment] section. Gives its remarks on the file, in the file's
/// order: "Invalid value of KEY: TEXT" for a key, or a line of [Environment], whose text is
/// no valid value; and on the form: "Unknown key in Settings: NAME" for a key of [Settings]
/// that keeper does not read; "Duplicate key in Settings: NAME; the first one counts" for a
/// key given again, in any case; "Duplicate section: NAME; the first one counts" for
/// [Settings] or [Environment] given again; "Unknown section: NAME" for a section whose name
/// is a misspelling of one of theirs; "ApplicationName holds arguments: put them in
/// Parameters" (see HoldsArguments); and first, at line 0, "The settings file FILE is UTF-16
/// without a byte-order mark: …" for a file that looks so (see IsUtf16WithoutMark).
std::vector<SettingsNote> ReadWatcherSettings(RunState& run, const Profile& settings);

/// True when the command of ApplicationName, as read, is a command line: a quoted path, a blank
/// and more; or a file name part that holds a double quote and a blank (no path holds quotes).
///   `"C:\My App\x.exe" /c exit 3` => true;  `C:\x.exe" "a` (read from `"C:\x.exe" "a"`) => true;
///   `/usr/bin/python3 "a b.py"` => true;  `C:\Program Files\App\app.exe` => false;
///   `/opt/my app/run` => false;  `"C:\Program Files"\App\app.exe` => false;
///   `/usr/bin/sleep 100` => false (as a path with a blank);  `x.exe"` => false.
bool HoldsArguments(std::string_view command, const PathStyle& style, const LeadByteSet& lead);

/// True when `name` is not `known` but one or two edits (a letter added, removed, changed
/// or two swapped) away from it, without regard to ASCII case.
///   ("Enviroment", "Environment") => true;  ("Settigns", "Settings") => true;
///   ("Other", "Settings") => false;  ("settings", "Settings") => false.
bool IsMisspelling(std::string_view name, std::string_view known);

/// Why the settings file names no module, in words for the user: the file cannot be read,
/// it is UTF-16 without a byte-order mark, it has no [Settings] section, that section has no
/// ApplicationName (naming the keys it has), or its ApplicationName names no program.
std::string MissingModuleCause(const Profile& settings);

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
