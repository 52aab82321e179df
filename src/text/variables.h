// Environment variables as texts: expanding %NAME% and building an application's
// environment on top of keeper's own.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keeper {

/// The value of the variable `name` in `environment` ("NAME=value" each), the first of
/// that name; false when there is none. Names compare without regard to ASCII case when
/// `ignoreCase` is set, exactly otherwise.
bool FindVariable(const std::vector<std::string>& environment, std::string_view name,
                  bool ignoreCase, std::string& value);

/// The text with each %NAME% replaced by the value of NAME in `environment`, as
/// ExpandEnvironmentStringsA does: a name that is not there stays as written, percent signs
/// and all, and the scan goes on after it; "%%" and a lone "%" stay.
///   "%HOME%/x" => "/home/u/x";  "%NOPE%x" => "%NOPE%x";  "100%" => "100%";
///   "%NOPE%HOME%" => "%NOPE%HOME%" (the second % opens nothing that closes).
std::string ExpandVariables(std::string_view text, const std::vector<std::string>& environment,
                            bool ignoreCase);

/// One change of an application's environment: an empty value removes the variable.
struct VariableChange {
    std::string Name;
    std::string Value;
};

/// `environment` with the changes applied in order: a change replaces every variable of its
/// name in place, or is appended when there is none; an empty value removes them.
std::vector<std::string> ChangedEnvironment(std::vector<std::string> environment,
                                            const std::vector<VariableChange>& changes,
                                            bool ignoreCase);

}  // namespace keeper
