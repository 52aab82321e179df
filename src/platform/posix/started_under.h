// Whether a Linux process was started through a file of a given name: a symbolic link
// of that name, or a #! script of that name run by its interpreter.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/processes.h"

namespace keeper {

/// The kernel keeps at most this many bytes of the name a process was started by.
inline constexpr std::size_t RecordedNameLength = 15;

using SameText = bool (*)(std::string_view, std::string_view);

/// True when the process whose recorded name is `comm` (the file name given to exec, cut
/// to RecordedNameLength bytes; a script's own name, not its interpreter's) and whose
/// arguments are `commandLine` (each ended by a NUL, as /proc/PID/cmdline holds them) was
/// started through a file named `module`: `comm` is the module's name (its first 15
/// bytes), and argument 0 (a symbolic link), 1 or 2 (a script, after its interpreter and
/// the option of its #! line) is a path whose file name is the module's. Both are
/// compared by `same`; the command line decides what comm cut off, so a longer name with
/// the same first 15 bytes does not match.
///   ("python3", "python3\0-c\0", "PYTHON3") => true
///   ("run.sh", "/bin/sh\0/opt/app/run.sh\0", "RUN.SH") => true
///   ("sh", "/bin/sh\0/opt/app/run.sh\0", "RUN.SH") => false (sh started it, not run.sh)
///   ("server-with-a-l", "./server-with-a-long-name\0", "SERVER-WITH-A-LO") => false
bool StartedUnder(std::string_view comm, std::string_view commandLine, std::string_view module,
                  SameText same);

/// The number of the argument by which StartedUnder finds the process started through the
/// module (0 for a symbolic link, 1 or 2 for a script); -1 when it was not.
///   ("run.sh", "/bin/sh\0-e\0/opt/app/run.sh\0--port\0", "RUN.SH") => 2
int ProgramArgument(std::string_view comm, std::string_view commandLine, std::string_view module,
                    SameText same);

/// The arguments of `commandLine` (each ended by a NUL, the last perhaps not) after argument
/// number `program`; none when it has no such argument.
///   ("/bin/sh\0/opt/run.sh\0a b\0c\0", 1) => {"a b", "c"};  ("app\0", 0) => {};  ("", 0) => none
std::optional<std::vector<std::string>> ArgumentsAfter(std::string_view commandLine, int program);

/// What "env" runs for a #! line "#!/usr/bin/env ARGUMENT": the program, the first word of
/// the argument that is neither an option nor a NAME=value assignment (env -S splits the
/// argument into words, as the kernel does not), and the words after it, which env passes on
/// before the script; an empty program when there is none. Words are split at blanks: the
/// quotes and escapes of env -S are not undone.
///   "python3" => python3 {};  "-S python3 -u" => python3 {"-u"};  "-i PATH=/x node" => node {}
struct EnvCommand {
    std::string Program;
    std::vector<std::string> Arguments;
};
EnvCommand EnvCommandOf(std::string_view argument);

/// The number of the argument of `commandLine` (each ended by a NUL, as /proc/PID/cmdline
/// holds them) that names the very file `script`: argument 1 (the script given to its
/// interpreter alone: "#!/bin/sh", or "sh run.sh" typed by hand), or the argument right after
/// arguments 1..n that are exactly `options`, the words the #! line puts before the script
/// ("-e" for "#!/bin/sh -e"; "-u" for the python3 that "#!/usr/bin/env -S python3 -u" runs);
/// -1 when neither does. `identify` gives the file a path names for the process (relative
/// paths from its directory), {} for none; `context` is passed on to it.
///   ("/usr/bin/python3\0/opt/app/run.py\0-v\0", run.py, {}) => 1
///   ("python3\0-u\0run.py\0", run.py, {"-u"}) => 2;  ("python3\0-u\0run.py\0", run.py, {}) => -1
///   ("sh\0follow.sh\0run.sh\0", run.sh, {}) => -1 (sh runs follow.sh, which names run.sh)
int ScriptArgument(std::string_view commandLine, FileIdentity script,
                   const std::vector<std::string>& options,
                   FileIdentity (*identify)(std::string_view path, int context), int context);

/// The entry of `through` that an executable of the file name `name` that is the file
/// `executable` is: of the same name, compared by `same`, and the very same file; none
/// (nullptr) for a copy, or another file of that name elsewhere.
const ExecutableFile* FindExecutable(std::string_view name, FileIdentity executable,
                                     const std::vector<ExecutableFile>& through, SameText same);

}  // namespace keeper
