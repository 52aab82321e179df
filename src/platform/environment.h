// keeper's own environment, as the base of the application's.
#pragma once

#include <string>
#include <vector>

namespace keeper {

/// The variables of keeper's environment, "NAME=value" each, in the platform's order.
/// Note: Windows includes the entries whose name starts with "=" (the current directory
/// of each drive).
std::vector<std::string> EnvironmentStrings();

/// True where variable names compare without regard to case.
/// Note: true on Windows, false on Linux.
extern const bool EnvironmentNamesIgnoreCase;

}  // namespace keeper
