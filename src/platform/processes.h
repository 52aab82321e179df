// Finding, launching and releasing the watched process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace keeper {

/// At most this many process identifiers are examined per scan.
inline constexpr std::size_t MaxListedProcesses = 1024;

/// The identifiers of running processes in the platform's order, at most
/// MaxListedProcesses; false (with `error`) when the list cannot be read.
/// Note: Linux reads /proc in the kernel's order.
bool ListProcessIds(std::vector<std::uint32_t>& ids, ErrorCode& error);

/// What one scan looks for, prepared once per scan.
struct ModuleQuery {
    std::string ModuleName;  ///< the file name of the command, upper-cased: SERVER.EXE
    /// Note: Linux only: the file names of the executables that a process started
    /// through a file of the module's name runs: the target of the symbolic link the
    /// command names, the interpreter of the #! script it names. Empty on Windows.
    std::vector<std::string> StartedThrough;
};

/// The query of a scan for `moduleName`, the module of `command` as it is launched.
/// Note: Linux resolves the command's program (searching PATH for a bare name) to find
/// what StartedThrough holds; Windows needs nothing of the command.
ModuleQuery PrepareModuleQuery(const std::string& moduleName, const std::string& command);

/// A waitable handle of process `id` when it runs the module; none when it runs
/// another, has ended, or may not be inspected.
/// Windows: OpenProcess with SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
/// then the base name of its first module compared with CompareStringA and
/// NORM_IGNORECASE; a process of another name is closed again.
/// Note: Linux reads the executable's name first (one readlink of /proc/PID/exe) and
/// opens only a candidate: a process whose executable has the module's name, or one of
/// StartedThrough's and whose recorded name (comm, and a name of its command line for
/// the part comm cuts off) is the module's. It skips processes of another real user, also
/// for root, and makes sure the identifier was not reused before the open.
Handle OpenProcessOfModule(std::uint32_t id, const ModuleQuery& query);

/// How a process ended, as the platform tells it.
struct ExitStatus {
    enum Kind { Unknown, Exited, Signalled };
    Kind How = Unknown;
    std::uint32_t Value = 0;  ///< the exit code, or the number of the signal
};

/// Releases the handle of a watched process that has ended, and tells how it ended.
/// Windows: GetExitCodeProcess; Unknown when it fails.
/// Note: Linux reaps a child of keeper's and reads its status; for a process keeper
/// adopted, which is no child of its own, the status is Unknown.
ExitStatus CloseProcess(Handle process);

/// The name of signal `number`: "SIGSEGV" for 11; the empty text for an unknown number.
/// Note: Windows has no signals: always the empty text.
std::string SignalName(std::uint32_t number);

/// The show state of a launched program's first window.
enum class WindowState {
    Default,    ///< nothing selected: the STARTUPINFO of flags 0 and show value 1
    Normal,     ///< SW_SHOWNORMAL
    Hidden,     ///< SW_HIDE, and a console program gets no console window
    Minimized,  ///< SW_SHOWMINNOACTIVE
    Maximized,  ///< SW_SHOWMAXIMIZED
};

/// One launch, field by field; each backend reads this record and nothing else. An empty
/// field means keeper's own: its directory, its environment, its handles.
struct LaunchOptions {
    /// The program and its arguments as one line; the program is found by the platform's
    /// rules (Windows: CreateProcessA without an application name).
    /// Note: Linux splits the line by the argument rules and searches PATH, without a shell.
    std::string CommandLine;
    /// The current directory of the new process; empty: keeper's. A directory that
    /// cannot be entered fails the launch.
    std::string WorkingDirectory;
    /// The whole environment of the new process, "NAME=value" each; without a value,
    /// keeper's own is inherited.
    std::optional<std::vector<std::string>> Environment;
    /// A file that standard output and standard error are appended to, created when
    /// missing, while standard input reads nothing; empty: nothing is redirected. It is
    /// opened for the launch and keeper's handle is closed right after it; a file that
    /// cannot be opened fails the launch.
    /// Windows: the file and the NUL device are the only handles the program inherits,
    /// and it gets no console window. Note: Linux puts the file on descriptors 1 and 2 and
    /// /dev/null on 0.
    std::string OutputFile;
    /// Note: Linux has no windows and ignores it.
    WindowState Window = WindowState::Default;
};

struct Launch {
    Handle Process = NoHandle;  ///< none when the launch failed
    std::uint32_t Id = 0;       ///< the new process's identifier
    ErrorCode Error = 0;
};

/// Starts the program of `options`; nothing of keeper's handles is inherited beyond what
/// the options name.
/// Note: Linux gives the program a session of its own, with the default signal dispositions
/// and an empty signal mask.
Launch LaunchProcess(const LaunchOptions& options);

}  // namespace keeper
