// Reading one value of a settings (INI) file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace keeper {

/// The value of `key` in `section` of the INI file, cut to bufferSize - 1 bytes; the
/// empty text when the file, section or key is missing.
/// Note: Linux parses the file with GetPrivateProfileStringA's rules: names without
/// regard to case, blanks trimmed, first match wins, surrounding quotes stripped.
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, std::size_t bufferSize);

/// The values of `keys` in `section`, in that order, each as ReadProfileString gives it.
/// Note: Linux reads the file once for all of them; Windows asks GetPrivateProfileStringA
/// for each.
std::vector<std::string> ReadProfileStrings(const std::string& file, const std::string& section,
                                            const std::vector<std::string_view>& keys,
                                            std::size_t bufferSize);

/// The names of the keys of `section`, in file order; comments and blank lines are no keys
/// (GetPrivateProfileStringA without a key name on Windows).
/// Note: Linux follows the lookup rules above: names trimmed, up to a NUL byte.
std::vector<std::string> ReadProfileKeyNames(const std::string& file, const std::string& section);

/// The lines of `section`, "name=value" each (a line without "=" as the name alone), in
/// file order, without comments and blank lines (GetPrivateProfileSectionA on Windows).
/// Note: Linux trims names and values as the lookup above does and keeps any quotes.
std::vector<std::string> ReadProfileSection(const std::string& file, const std::string& section);

}  // namespace keeper
