// Reading the settings (INI) file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace keeper {

/// A settings file, opened once for every question an invocation asks of it.
/// Note: Linux reads the whole file into Contents when it is opened and answers from that
/// text; Windows keeps the name alone and asks the system each time.
struct Profile {
    std::string File;
    std::string Contents;  ///< Note: Linux only.
    /// Why the file cannot be read (it is then read as empty); 0 when it can.
    ErrorCode Error = 0;
};

/// The settings file `file`, opened for the questions below.
/// Windows: Error is what GetFileAttributesA says of a missing file, or ERROR_DIRECTORY.
/// Note: Linux reads it whole now, its UTF-16 text included.
Profile OpenProfile(const std::string& file);

/// The value of `key` in `section` of the file, cut to bufferSize - 1 bytes; the empty
/// text when the file, section or key is missing.
/// Note: Linux parses the file with GetPrivateProfileStringA's rules: names without
/// regard to case, blanks trimmed, first match wins, surrounding quotes stripped.
std::string ReadProfileString(const Profile& profile, const char* section, const char* key,
                              std::size_t bufferSize);

/// The names of the keys of `section`, in file order, each as often as it comes; comments
/// and blank lines are no keys (GetPrivateProfileStringA without a key name on Windows).
/// Note: Linux follows the lookup rules above: names trimmed, up to a NUL byte.
std::vector<std::string> ReadProfileKeyNames(const Profile& profile, const char* section);

/// The lines of `section`, "name=value" each (a line without "=" as the name alone), in
/// file order, without comments and blank lines (GetPrivateProfileSectionA on Windows).
/// Note: Linux trims names and values as the lookup above does and keeps any quotes.
std::vector<std::string> ReadProfileSection(const Profile& profile, const char* section);

/// The names of the file's sections, in file order (GetPrivateProfileSectionNamesA on
/// Windows). Note: Linux trims them as the lookup above does.
std::vector<std::string> ReadProfileSectionNames(const Profile& profile);

}  // namespace keeper
