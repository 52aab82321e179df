// Reading one value of a settings (INI) file.
#pragma once

#include <cstddef>
#include <initializer_list>
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
                                            std::initializer_list<std::string_view> keys,
                                            std::size_t bufferSize);

}  // namespace keeper
