#include "platform/environment.h"

#include <windows.h>

#include <cstring>

namespace keeper {

std::vector<std::string> EnvironmentStrings() {
    std::vector<std::string> variables;
    char* block = GetEnvironmentStringsA();
    if (block == nullptr) return variables;
    for (const char* entry = block; *entry != '\0'; entry += std::strlen(entry) + 1)
        variables.emplace_back(entry);
    FreeEnvironmentStringsA(block);
    return variables;
}

const bool EnvironmentNamesIgnoreCase = true;

}  // namespace keeper
