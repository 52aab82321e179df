// Whether a Linux process was started through a file of a given name: a symbolic link
// of that name, or a #! script of that name run by its interpreter.
#pragma once

#include <cstddef>
#include <string_view>

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

}  // namespace keeper
