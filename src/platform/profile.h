// Reading the settings (INI) file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace keeper {

/// A settings file, opened once for every question an invocation asks of it.
/// Note: Linux answers every question from Contents; Windows asks the system for values and
/// lines and reads Contents for the file's layout alone.
struct Profile {
    std::string File;
    std::string Contents;  ///< the file's bytes as they are
    /// Why the file cannot be read (it is then read as empty); 0 when it can.
    ErrorCode Error = 0;
};

/// The settings file `file`, read whole for the questions below, its UTF-16 text included.
/// Windows: Error is what GetFileAttributesA says of a missing file, or ERROR_DIRECTORY.
Profile OpenProfile(const std::string& file);

/// The value of `key` in `section` of the file, cut to bufferSize - 1 bytes; the empty
/// text when the file, section or key is missing.
/// Note: Linux parses the file with GetPrivateProfileStringA's rules: names without
/// regard to case, blanks trimmed, first match wins, surrounding quotes stripped.
std::string ReadProfileString(const Profile& profile, const char* section, const char* key,
                              std::size_t bufferSize);

/// The lines of `section`, "name=value" each (a line without "=" as the name alone), in
/// file order, without comments and blank lines (GetPrivateProfileSectionA on Windows).
/// Note: Linux trims names and values as the lookup above does and keeps any quotes.
std::vector<std::string> ReadProfileSection(const Profile& profile, const char* section);

}  // namespace keeper
