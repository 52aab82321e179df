// Conversions between text and signed 32-bit integers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keeper {

/// Decimal, or hexadecimal after `$`, `x`, `X`, `0x` or `0X`; leading blanks and one
/// sign allowed; the whole text must be consumed.  "  25" => 25;  "-$10" => -16;
/// "$FFFFFFFF" => -1;  "2147483648" => invalid;  "25 " => invalid.
std::optional<std::int32_t> ParseInteger(std::string_view text);

/// ParseInteger's value, or `fallback` for an invalid text.
std::int32_t ParseIntegerOr(std::string_view text, std::int32_t fallback);

/// Signed decimal text.  -2147483648 => "-2147483648";  0 => "0".
std::string IntegerText(std::int32_t value);

/// The lowest `digits` hexadecimal digits of `value`, upper case, zeros in front.
///   (0x1A2B, 8) => "00001A2B";  (0x0E, 2) => "0E";  (0xC0000005, 8) => "C0000005".
std::string HexDigits(std::uint32_t value, int digits);

}  // namespace keeper
