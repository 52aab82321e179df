// A command line as the list of its arguments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/arguments.h"

namespace keeper {

/// The arguments of `commandLine` by the ScanArgument rules, in order, from token `first`
/// on (0 keeps the program token, 1 leaves it out); the first empty token ends them.
///   (`app -x "a b"  c`, 1) => {-x, a b, c};  (`a "" b`, 0) => {a, b};  (`app`, 1) => {}.
inline std::vector<std::string> ArgumentList(std::string_view commandLine, const LeadByteSet& lead,
                                             std::size_t first = 0) {
    std::vector<std::string> arguments;
    std::size_t at = 0;
    for (std::size_t token = 0;; ++token) {
        ScannedArgument argument = ScanArgument(commandLine, at, lead);
        if (argument.Token.empty()) return arguments;
        at = argument.Next;
        if (token >= first) arguments.push_back(std::move(argument.Token));
    }
}

}  // namespace keeper
