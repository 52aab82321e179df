// UTF-8 as Linux's code page: well-formed sequences, conversion from UTF-16, cutting.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace keeper {

/// The length (1 to 4) of the well-formed UTF-8 sequence that starts at byte `at` of
/// `text`, with its code point in `code`; 0 when the bytes there are none: a stray
/// continuation byte, an overlong form, a surrogate, a value above U+10FFFF, or a
/// sequence cut short by the end of the text.
/// "\xC3\xA9" => 2 (U+00E9); "\xC0\xAF" => 0; "\xE2\x82" => 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at, char32_t& code);

/// The number of bytes UTF-8 takes for `code` (a code point up to U+10FFFF).
std::size_t Utf8Length(char32_t code);

/// Appends the UTF-8 form of `code` (a code point up to U+10FFFF, no surrogate).
void AppendUtf8(std::string& text, char32_t code);

/// UTF-16 text (little- or big-endian code units, no byte-order mark) as UTF-8. A
/// surrogate without its partner becomes U+FFFD; an odd final byte is no code unit and
/// is dropped; U+0000 stays a NUL byte.
/// "a\0\xE9\0" (little-endian) => "a\xC3\xA9".
std::string Utf8FromUtf16(std::string_view units, bool bigEndian);

/// The largest length up to `limit` at which `text` can be cut without splitting a
/// well-formed sequence; bytes that are not part of one count as characters of their own.
/// ("a\xC3\xA9", 2) => 1; ("a\xC3\x41", 2) => 2.
std::size_t Utf8CutLength(std::string_view text, std::size_t limit);

}  // namespace keeper
