// ASCII letters, without regard to the locale: the names and tokens of formats and
// settings files are ASCII; and the end of a C string within a text.
#pragma once

#include <cstddef>
#include <string_view>

namespace keeper {

inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

/// 'a' to 'z' upper-cased; every other byte as it is.
inline char AsciiUpperCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

/// True when the texts are equal once ASCII letters are upper-cased.  "Settings" and
/// "SETTINGS" => true;  "é" and "É" => false.
inline bool SameAsciiTextIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpperCase(a[i]) != AsciiUpperCase(b[i])) return false;
    return true;
}

/// The text up to its first NUL byte, where the C string it comes from or stands for ends.
/// "ab\0cd" => "ab".
inline std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace keeper
