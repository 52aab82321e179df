#include "text/variables.h"

#include <algorithm>

#include "text/ascii.h"

namespace keeper {
namespace {

/// The name of an entry "NAME=value". On Windows a name may start with "=" (the current
/// directory of a drive, "=C:=C:\x"), so the name ends at the first "=" after its first byte.
std::string_view NameOf(std::string_view entry) {
    return entry.substr(0, std::min(entry.find('=', 1), entry.size()));
}

bool SameName(std::string_view a, std::string_view b, bool ignoreCase) {
    return ignoreCase ? SameAsciiTextIgnoreCase(a, b) : a == b;
}

}  // namespace

bool FindVariable(const std::vector<std::string>& environment, std::string_view name,
                  bool ignoreCase, std::string& value) {
    for (const std::string& entry : environment) {
        const std::string_view found = NameOf(entry);
        if (found.size() < entry.size() && SameName(found, name, ignoreCase)) {
            value = entry.substr(found.size() + 1);
            return true;
        }
    }
    return false;
}

std::string ExpandVariables(std::string_view text, const std::vector<std::string>& environment,
                            bool ignoreCase) {
    std::string expanded;
    while (!text.empty()) {
        const std::size_t open = text.find('%');
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {  // no name that closes: the rest as it is
            expanded += text;
            break;
        }
        expanded += text.substr(0, open);
        const std::string_view name = text.substr(open + 1, close - open - 1);
        std::string value;
        if (!name.empty() && FindVariable(environment, name, ignoreCase, value))
            expanded += value;
        else
            expanded += text.substr(open, close - open + 1);
        text.remove_prefix(close + 1);
    }
    return expanded;
}

std::vector<std::string> ChangedEnvironment(std::vector<std::string> environment,
                                            const std::vector<VariableChange>& changes,
                                            bool ignoreCase) {
    for (const VariableChange& change : changes) {
        const auto named = [&](const std::string& entry) {
            return SameName(NameOf(entry), change.Name, ignoreCase);
        };
        const auto first = std::find_if(environment.begin(), environment.end(), named);
        if (change.Value.empty()) {
            environment.erase(std::remove_if(environment.begin(), environment.end(), named),
                              environment.end());
        } else if (first == environment.end()) {
            environment.push_back(change.Name + "=" + change.Value);
        } else {
            // The first keeps its place; any other of the name would shadow it.
            *first = change.Name + "=" + change.Value;
            environment.erase(std::remove_if(first + 1, environment.end(), named),
                              environment.end());
        }
    }
    return environment;
}

}  // namespace keeper
