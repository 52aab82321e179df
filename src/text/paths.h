// Path-name rules: delimiters, extensions, directory and file-name parts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/double_byte.h"

namespace keeper {

/// The delimiter rules of one platform.
struct PathStyle {
    std::string_view PathDelimiters;       ///< end a directory part
    std::string_view ExtensionDelimiters;  ///< the full stop plus the path delimiters
    char Separator;                        ///< appended by WithTrailingDelimiter
};

/// Backslash and colon; the forward slash is an ordinary byte.
inline constexpr PathStyle WindowsPaths{"\\:", ".\\:", '\\'};
/// The slash alone.
inline constexpr PathStyle PosixPaths{"/", "./", '/'};

/// 1-based position of the rightmost byte of `text` that is in `set` and is not the
/// trail byte of a double-byte character; 0 when there is none.
std::size_t RightmostDelimiter(std::string_view set, std::string_view text,
                               const LeadByteSet& lead);

/// Replaces the extension (from the last full stop not followed by a delimiter) or
/// appends one.  `C:\my.dir\keeper` + ".log" => `C:\my.dir\keeper.log`;
/// `a.b.c` + ".log" => `a.b.log`;  `keeper.exe` + "" => `keeper`;  `.cfg` + ".log" => `.log`.
std::string ReplaceExtension(std::string_view path, std::string_view extension,
                             const PathStyle& style, const LeadByteSet& lead);

/// The name a file is given when it is rotated: ".1" before its extension, by the rules of
/// ReplaceExtension.  `keeper.log` => `keeper.1.log`;  `C:\logs\app` => `C:\logs\app.1`;
/// `C:\my.dir\app` => `C:\my.dir\app.1`;  `keeper.` => `keeper.1.`.
std::string RotatedName(std::string_view path, const PathStyle& style, const LeadByteSet& lead);

/// Everything up to and including the last path delimiter.  `C:keeper.log` => `C:`.
std::string DirectoryPart(std::string_view path, const PathStyle& style, const LeadByteSet& lead);

/// Everything after the last path delimiter.  `C:\a\b.exe` => `b.exe`; `a/b` => `a/b`
/// with Windows rules.
std::string FileNamePart(std::string_view path, const PathStyle& style, const LeadByteSet& lead);

/// True for a path that names its place from a current directory: one that starts with no
/// delimiter, and on Windows names no drive either.  `logs\out.log` => true;
/// `C:\x`, `\x`, `/x`, `C:x` => false with Windows rules;  `/x` => false, `x/y` => true
/// with POSIX rules.
bool IsRelativePath(std::string_view path, const PathStyle& style);

/// The text with one separator at its end.  `C:\` => `C:\`;  `C:` => `C:\`;  "" => `\`.
/// A backslash that is the trail byte of a double-byte character does not count.
std::string WithTrailingDelimiter(std::string_view text, const PathStyle& style,
                                  const LeadByteSet& lead);

}  // namespace keeper
