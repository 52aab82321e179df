// Finding, launching and releasing the watched process.
#pragma once

#include <cstdint>
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

/// Releases the handle of a watched process.
/// Note: Linux also reaps the process when it is a child of keeper's that has ended.
void CloseProcess(Handle process);

struct Launch {
    Handle Process = NoHandle;  ///< none when the launch failed
    ErrorCode Error = 0;
};

/// Starts `commandLine` with the watchdog's environment and current directory and
/// nothing of its handles inherited.
/// Note: Linux splits the line by the argument rules and searches PATH, without a shell.
Launch LaunchProcess(const std::string& commandLine);

}  // namespace keeper
