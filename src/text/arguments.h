// Splitting a command line into arguments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/double_byte.h"

namespace keeper {

struct ScannedArgument {
    std::string Token;     ///< the argument with its quotes removed; empty only at the end
    std::size_t Next = 0;  ///< offset just after the token, where the next scan starts
};

/// Scans one argument starting at byte offset `pos` of `commandLine`. Blanks and every
/// control byte separate arguments; a double quote opens or closes a quoted stretch and
/// is dropped; there is no escape character. A lead byte is stepped over with its trail.
/// `a"b c"d` => `ab cd`;  `"" x` => `x`;  `""" x` => ` x`.
ScannedArgument ScanArgument(std::string_view commandLine, std::size_t pos,
                             const LeadByteSet& lead);

/// Number of non-empty arguments after the program token; the first empty token ends
/// the count.  `prog a "" b` => 2;  `prog` => 0.
int CountArguments(std::string_view commandLine, const LeadByteSet& lead);

/// Token number `index` of the command line, the program token being token 0. An
/// index above the count, a negative one, or one past an empty token gives "".
std::string ArgumentOf(std::string_view commandLine, int index, const LeadByteSet& lead);

}  // namespace keeper
