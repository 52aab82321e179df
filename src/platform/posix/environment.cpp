#include "platform/environment.h"

#include <unistd.h>

namespace keeper {

std::vector<std::string> EnvironmentStrings() {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry)
        variables.emplace_back(*entry);
    return variables;
}

const bool EnvironmentNamesIgnoreCase = false;

}  // namespace keeper
