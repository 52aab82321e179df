// The %NAME% expansion, the lines of [Environment] and the environment they make, over
// arbitrary environments and lines.
#include <cstdint>
#include <string>
#include <vector>

#include "core/settings.h"
#include "support.h"
#include "text/variables.h"

using keeper::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const bool ignoreCase = provider.ConsumeBool();
    std::vector<std::string> environment(provider.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (std::string& variable : environment)
        variable = provider.ConsumeRandomLengthString(40);
    const std::string line = provider.ConsumeRemainingBytesAsString();

    // Only a percent sign opens a name, and only a variable that is there is replaced.
    const std::string expanded = keeper::ExpandVariables(line, environment, ignoreCase);
    if (line.find('%') == std::string::npos) Require(expanded == line);
    Require(keeper::ExpandVariables(line, {}, ignoreCase) == line);

    keeper::VariableChange change;
    const bool valid = keeper::EnvironmentChangeOf(line, environment, ignoreCase, change);
    // A line without "=", or without a name before it, is no change.
    Require(valid == (line.find('=') != std::string::npos && !line.starts_with('=')));
    if (!valid) return 0;
    Require(!change.Name.empty() && change.Name.find('=') == std::string::npos);

    // The change holds in the environment it makes: set, or removed by an empty value.
    const std::vector<std::string> changed =
        keeper::ChangedEnvironment(environment, {change}, ignoreCase);
    std::string value;
    const bool found = keeper::FindVariable(changed, change.Name, ignoreCase, value);
    Require(change.Value.empty() ? !found : found && value == change.Value);
    return 0;
}
