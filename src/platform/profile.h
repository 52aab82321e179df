// Reading one value of a settings (INI) file.
#pragma once

#include <cstddef>
#include <string>

namespace keeper {

/// The value of `key` in `section` of the INI file, cut to bufferSize - 1 bytes; the
/// empty text when the file, section or key is missing.
/// Note: Linux parses the file with GetPrivateProfileStringA's rules: names without
/// regard to case, blanks trimmed, first match wins, surrounding quotes stripped.
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, std::size_t bufferSize);

}  // namespace keeper
