#include "text/utf8.h"

#include <cstdint>

namespace keeper {
namespace {

std::uint8_t ByteAt(std::string_view text, std::size_t at) {
    return static_cast<std::uint8_t>(text[at]);
}

}  // namespace

std::size_t Utf8SequenceAt(std::string_view text, std::size_t at, char32_t& code) {
    if (at >= text.size()) return 0;
    const std::uint8_t lead = ByteAt(text, at);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    // The lead byte gives the length and the range of the second byte that keeps the
    // form shortest, below the surrogates and at most U+10FFFF.
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t next = ByteAt(text, at + i);
        if (i == 1 ? next < low || next > high : (next & 0xC0) != 0x80) return 0;
        value = value << 6 | (next & 0x3F);
    }
    code = value;
    return length;
}

std::size_t Utf8Length(char32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

void AppendUtf8(std::string& text, char32_t code) {
    const std::size_t length = Utf8Length(code);
    if (length == 1) {
        text += static_cast<char>(code);
        return;
    }
    static constexpr std::uint8_t leadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    char bytes[4];
    for (std::size_t i = length - 1; i > 0; --i) {
        bytes[i] = static_cast<char>(0x80 | (code & 0x3F));
        code >>= 6;
    }
    bytes[0] = static_cast<char>(leadMarks[length] | code);
    text.append(bytes, length);
}

std::string Utf8FromUtf16(std::string_view units, bool bigEndian) {
    const std::size_t count = units.size() / 2;
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const std::uint8_t first = ByteAt(units, 2 * i), second = ByteAt(units, 2 * i + 1);
        return bigEndian ? first << 8 | second : second << 8 | first;
    };
    constexpr char32_t replacement = 0xFFFD;
    std::string text;
    text.reserve(units.size());
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
            const char32_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(text, unit >= 0xD800 && unit <= 0xDFFF ? replacement : unit);
    }
    return text;
}

std::size_t Utf8CutLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    // Only a sequence that starts in the last three bytes before the cut can cross it.
    for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
        char32_t code = 0;
        const std::size_t length = Utf8SequenceAt(text, limit - back, code);
        if (length > back) return limit - back;
        if (length != 0) break;
    }
    return limit;
}

}  // namespace keeper
