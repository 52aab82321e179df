// The settings-file lookup of GetPrivateProfileStringA, for one section and one key.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace keeper {

/// The value of `key` in the first section named `section` of the INI text `contents`,
/// cut to bufferSize - 1 bytes (never inside a UTF-8 character); the empty text when
/// either is missing. The rules are those of GetPrivateProfileStringA:
/// - a UTF-8 byte-order mark is skipped; text behind a UTF-16 one (little- or
///   big-endian) is read as UTF-8 (a lone surrogate becomes U+FFFD); other text is
///   taken byte for byte;
/// - CR LF, LF and CR end lines; blank, tab, VT, FF and Ctrl-Z (0x1A) are trimmed
///   around section names, key names and values;
/// - names are compared without regard to ASCII case, and end at a NUL byte;
/// - only the first section of the name counts, and in it the first line whose name
///   matches, with or without =;
/// - a value ends at a NUL byte, then loses a matching pair of enclosing ' or ".
/// "[Settings]\nApplicationName = \"a b\"\n" => `a b`.
std::string LookUpProfileString(std::string_view contents, std::string_view section,
                                std::string_view key, std::size_t bufferSize);

/// True when the text looks like UTF-16 without a byte-order mark, which the lookup takes byte for
/// byte: more than half of its first 256 code units are an ASCII byte beside a zero byte.
///   "[\0S\0e\0" => true;  "\0[\0S\0e" => true;  "\xFF\xFE[\0S\0" => false;  "[S]\0" => false.
bool IsUtf16WithoutMark(std::string_view contents);

/// The value without one pair of matching double or single quotes around it, as the lookup
/// gives every value.  `"a b"` => `a b`;  `'x'` => `x`;  `"a'` => `"a'`;  `"` => `"`.
std::string_view WithoutEnclosingQuotes(std::string_view value);

/// One line of an INI text that names something: a section, or a line of the section above
/// it (a key, with or without "="); comments (";") and blank lines name nothing.
struct ProfileItem {
    std::size_t Line = 0;    ///< 1-based; CR LF, LF and CR each end a line
    bool IsSection = false;  ///< a section's name, not a line of one
    std::string Name;        ///< trimmed as above; may be empty for a line "=value"
};

/// The named lines of the text in file order, as often as they come, after a byte-order mark
/// has been taken into account as above.
///   "[A]\nx=1\n; c\n[ b ]\n=v\n" => {1, section "A"}, {2, "x"}, {4, section "b"}, {5, ""}.
std::vector<ProfileItem> ProfileOutline(std::string_view contents);

/// The lines of that section as GetPrivateProfileSectionA gives them, in file order:
/// "name=value" with both trimmed and any quotes kept, a line without "=" as its name alone;
/// blank lines and comments left out.  "[S]\n a = \"1\" \n;c\nb\n" => {"a=\"1\"", "b"}.
std::vector<std::string> ProfileSectionLines(std::string_view contents, std::string_view section);

}  // namespace keeper
