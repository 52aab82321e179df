// What the process knows about itself as text: arguments, directories, case.
#pragma once

#include <string>
#include <string_view>

#include "text/paths.h"

namespace keeper {

/// The path rules of this platform.
/// Note: Linux uses the slash alone; Windows the backslash and the colon.
extern const PathStyle NativePaths;

/// Keeps what the process was started with and fills the double-byte tables
/// (`DoubleByteEnabled`, `LeadBytes`). Runs once, first thing in main.
/// Note: Windows ignores argc/argv and reads GetCommandLineA on every use.
void InitProcessText(int argc, char** argv);

/// Number of arguments after the program token; the first empty one ends the count.
int ArgumentCount();

/// Argument `index`; 0 gives the full path of the running executable, an index
/// outside 1..ArgumentCount() the empty text.
/// Note: Linux takes argv as the shell split it and index 0 from /proc/self/exe.
std::string ArgumentAt(int index);

/// The current directory; the empty text when it cannot be read.
std::string CurrentDirectory();

/// A copy of the same length, upper-cased by the system's mapping for the code page.
/// Note: Linux follows the user's LC_CTYPE: in a UTF-8 locale each letter whose upper
/// case has the same encoded length ("café" => "CAFÉ"; ß, ı and ſ stay), bytes that are
/// not UTF-8 unchanged; in the C locale ASCII only.
std::string UpperCaseCopy(std::string_view text);

/// True when the texts are equal without regard to case (CompareStringA with
/// NORM_IGNORECASE on Windows).
/// Note: Linux compares the UpperCaseCopy of both, without copying ASCII texts.
bool SameTextIgnoreCase(std::string_view a, std::string_view b);

}  // namespace keeper
