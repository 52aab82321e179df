// The environment block of a launch that changes variables.
#pragma once

#include <vector>

#include "text/variables.h"

namespace keeper {

/// The block of CREATE_UNICODE_ENVIRONMENT: `own` (a block as GetEnvironmentStringsW gives
/// it, each "NAME=value" ended by a NUL and one more NUL at the end; null for none) with
/// `changes` applied in order, as ChangedEnvironment applies them, and sorted by name as
/// CreateProcess requires: upper-cased, by code unit, "=C:" and the like included. The
/// names and values of the changes are in the ANSI code page, `own` keeps its characters.
///   ("b=2\0=C:=C:\\x\0\0", {{"A", "1"}, {"B", ""}}) => "=C:=C:\\x\0A=1\0\0"
std::vector<wchar_t> EnvironmentBlock(const wchar_t* own,
                                      const std::vector<VariableChange>& changes);

}  // namespace keeper
