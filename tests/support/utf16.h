// The bytes of a settings file saved as "Unicode": UTF-16LE with its byte-order mark.
#pragma once

#include <string>
#include <string_view>

namespace keeper {

inline std::string Utf16Le(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

}  // namespace keeper
