// The settings-file lookup of GetPrivateProfileStringA, for one section and one key.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace keeper {

/// The value of `key` in the first section named `section` of the INI text `contents`,
/// cut to bufferSize - 1 bytes (and at a NUL byte); the empty text when either is
/// missing. Section and key names are compared without regard to ASCII case; blanks
/// around names and values are trimmed; a value enclosed in a matching pair of ' or "
/// loses them; the first matching key wins; CR LF, LF and CR end lines; a UTF-8
/// byte-order mark is skipped.
/// "[Settings]\nApplicationName = \"a b\"\n" => `a b`.
std::string LookUpProfileString(std::string_view contents, std::string_view section,
                                std::string_view key, std::size_t bufferSize);

}  // namespace keeper
