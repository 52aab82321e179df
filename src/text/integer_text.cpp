// Conversions between text and signed 32-bit integers.
#include "text/integer_text.h"

#include <cstddef>

namespace keeper {

namespace {

// Largest accumulated values that may still take one more digit without leaving 32 bits.
constexpr std::uint32_t DecimalLimit = 214748364;
constexpr std::uint32_t HexLimit = 0x0FFFFFFF;
constexpr std::uint32_t MaxPositive = 2147483647;

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::uint32_t> ParseDecimalDigits(std::string_view digits) {
    std::uint32_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || value > DecimalLimit) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::optional<std::uint32_t> ParseHexDigits(std::string_view digits) {
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0 || value > HexLimit) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::size_t pos = text.find_first_not_of(' ');
    if (pos == std::string_view::npos) {
        return std::nullopt;  // empty, or blanks only
    }
    text.remove_prefix(pos);

    const bool negative = text.front() == '-';
    if (negative || text.front() == '+') {
        text.remove_prefix(1);
    }

    bool hex = false;
    if (!text.empty() && (text.front() == '$' || text.front() == 'x' || text.front() == 'X')) {
        hex = true;
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = true;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }

    if (hex) {
        const std::optional<std::uint32_t> pattern = ParseHexDigits(text);
        if (!pattern) {
            return std::nullopt;
        }
        // Eight hexadecimal digits are a bit pattern: no range test, wrap-around negation.
        return static_cast<std::int32_t>(negative ? 0u - *pattern : *pattern);
    }

    const std::optional<std::uint32_t> magnitude = ParseDecimalDigits(text);
    if (!magnitude || *magnitude > MaxPositive + (negative ? 1u : 0u)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? 0u - *magnitude : *magnitude);
}

std::int32_t ParseIntegerOr(std::string_view text, std::int32_t fallback) {
    return ParseInteger(text).value_or(fallback);
}

std::string IntegerText(std::int32_t value) {
    // The magnitude is taken unsigned so that the smallest value has one too.
    std::uint32_t magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) {
        magnitude = 0u - magnitude;
    }
    char digits[11];
    std::size_t start = sizeof digits;
    do {
        digits[--start] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        digits[--start] = '-';
    }
    return std::string(digits + start, sizeof digits - start);
}

std::string HexDigits(std::uint32_t value, int digits) {
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int digit = 0; digit < digits; ++digit)
        text[static_cast<std::size_t>(digits - 1 - digit)] =
            "0123456789ABCDEF"[(value >> (4 * digit)) & 0xF];
    return text;
}

}  // namespace keeper
