#include "platform/posix/started_under.h"

#include "text/paths.h"

namespace keeper {

bool StartedUnder(std::string_view comm, std::string_view commandLine, std::string_view module,
                  SameText same) {
    if (!same(comm, module.substr(0, RecordedNameLength))) return false;
    // Argument 0 for a symbolic link; for a script the kernel puts the interpreter, the
    // option of the #! line if there is one, then the script's path.
    constexpr int LastArgument = 2;
    for (int argument = 0; argument <= LastArgument && !commandLine.empty(); ++argument) {
        const std::size_t end = commandLine.find('\0');
        const std::string_view path = commandLine.substr(0, end);
        if (same(FileNamePart(path, PosixPaths, LeadByteSet{}), module)) return true;
        if (end == std::string_view::npos) break;
        commandLine.remove_prefix(end + 1);
    }
    return false;
}

}  // namespace keeper
