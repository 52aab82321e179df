#include "platform/posix/started_under.h"

#include <algorithm>

#include "text/paths.h"

namespace keeper {

int ProgramArgument(std::string_view comm, std::string_view commandLine, std::string_view module,
                    SameText same) {
    if (!same(comm, module.substr(0, RecordedNameLength))) return -1;
    // Argument 0 for a symbolic link; for a script the kernel puts the interpreter, the
    // option of the #! line if there is one, then the script's path.
    constexpr int LastArgument = 2;
    for (int argument = 0; argument <= LastArgument && !commandLine.empty(); ++argument) {
        const std::size_t end = commandLine.find('\0');
        const std::string_view path = commandLine.substr(0, end);
        if (same(FileNamePart(path, PosixPaths, LeadByteSet{}), module)) return argument;
        if (end == std::string_view::npos) break;
        commandLine.remove_prefix(end + 1);
    }
    return -1;
}

bool StartedUnder(std::string_view comm, std::string_view commandLine, std::string_view module,
                  SameText same) {
    return ProgramArgument(comm, commandLine, module, same) >= 0;
}

std::optional<std::vector<std::string>> ArgumentsAfter(std::string_view commandLine, int program) {
    std::vector<std::string> arguments;
    int argument = 0;
    while (!commandLine.empty()) {
        const std::size_t end = commandLine.find('\0');
        if (argument > program) arguments.emplace_back(commandLine.substr(0, end));
        ++argument;
        if (end == std::string_view::npos) break;
        commandLine.remove_prefix(end + 1);
    }
    if (program < 0 || argument <= program) return std::nullopt;
    return arguments;
}

EnvCommand EnvCommandOf(std::string_view argument) {
    EnvCommand command;
    for (;;) {
        const std::size_t start = argument.find_first_not_of(" \t");
        if (start == std::string_view::npos) return command;
        argument.remove_prefix(start);
        const std::string_view word = argument.substr(0, argument.find_first_of(" \t"));
        argument.remove_prefix(word.size());
        if (!command.Program.empty()) {
            command.Arguments.emplace_back(word);
        } else if (word == "-u" || word == "-C" || word == "--unset" || word == "--chdir") {
            // -S and -i take no value; -u NAME and -C DIR take the next word.
            const std::size_t next = argument.find_first_not_of(" \t");
            if (next == std::string_view::npos) return command;
            argument.remove_prefix(next);
            argument.remove_prefix(argument.substr(0, argument.find_first_of(" \t")).size());
        } else if (!word.starts_with('-') && word.find('=') == std::string_view::npos) {
            command.Program = word;
        }
    }
}

int ScriptArgument(std::string_view commandLine, FileIdentity script,
                   const std::vector<std::string>& options,
                   FileIdentity (*identify)(std::string_view path, int context), int context) {
    const auto names = [&](std::string_view path) {
        return !path.empty() && identify(path, context) == script;
    };
    // Argument 0 is the interpreter; the script follows it alone or after the line's words.
    std::vector<std::string_view> arguments;
    while (!commandLine.empty() && arguments.size() <= options.size() + 1) {
        const std::size_t end = commandLine.find('\0');
        arguments.push_back(commandLine.substr(0, end));
        if (end == std::string_view::npos) break;
        commandLine.remove_prefix(end + 1);
    }
    if (arguments.size() > 1 && names(arguments[1])) return 1;
    const std::size_t last = options.size() + 1;
    if (options.empty() || arguments.size() <= last ||
        !std::equal(options.begin(), options.end(), arguments.begin() + 1))
        return -1;
    return names(arguments[last]) ? static_cast<int>(last) : -1;
}

const ExecutableFile* FindExecutable(std::string_view name, FileIdentity executable,
                                     const std::vector<ExecutableFile>& through, SameText same) {
    for (const ExecutableFile& file : through)
        if (same(name, file.Name) && file.File == executable) return &file;
    return nullptr;
}

}  // namespace keeper
