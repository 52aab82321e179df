// Finding, launching and releasing the watched process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "text/variables.h"

namespace keeper {

/// At most this many process identifiers are examined per scan.
inline constexpr std::size_t MaxListedProcesses = 1024;

/// The identifiers of running processes in the platform's order, at most
/// MaxListedProcesses; the error when the list cannot be read.
/// Note: Linux reads /proc in the kernel's order.
Result<std::vector<std::uint32_t>> ListProcessIds();

/// A file by what makes it the very file: its device and inode number.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

/// An executable that a process may run when it was started through a file of the
/// module's name: its file name, and the file itself.
struct ExecutableFile {
    std::string Name;
    FileIdentity File;
    /// Note: Linux only: for an interpreter of a #! script, the words the #! line puts before
    /// the script's path: the line's option ({"-e"} for "#!/bin/sh -e"); for the program "env"
    /// runs, the words after it ({"-u"} for the python3 of "#!/usr/bin/env -S python3 -u").
    std::vector<std::string> ScriptOptions = {};
};

/// What one scan looks for, prepared once per scan.
struct ModuleQuery {
    std::string ModuleName;  ///< the file name of the command, upper-cased: SERVER.EXE
    /// Note: Linux only: the executables that a process started through a file of the
    /// module's name runs: the target of the symbolic link the command names, the
    /// interpreter of the #! script it names. Empty on Windows.
    std::vector<ExecutableFile> StartedThrough;
    /// Note: Linux only: when the command is a #! script, the script's own file. A process
    /// then runs the module when its executable is one of the script's interpreters (the
    /// #! line's, or the program "env" finds in PATH for "#!/usr/bin/env NAME") and this very
    /// file is named by its argument 1, or by argument n+1 after arguments 1..n that are
    /// exactly that interpreter's ScriptOptions ("/bin/sh -e run.sh" for "#!/bin/sh -e");
    /// so "sh follow.sh run.sh" does not run it. Its recorded name is not asked.
    std::optional<FileIdentity> Script;
    /// With a value, a process runs the module only when its arguments after the program
    /// are these, exactly and in order ("Adoption=command"); its command line is read only
    /// once its name matches, and one that cannot be read does not match.
    /// Windows: the command line from the process's environment block, converted to the
    /// ANSI code page and split by the argument rules, the program token left out.
    /// Note: Linux takes the arguments of /proc/PID/cmdline after the program: after
    /// argument 0, or for a #! script after the script's path where Script finds it.
    std::optional<std::vector<std::string>> Arguments;
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
/// opens only a candidate: a process whose executable has the module's name, or one that
/// runs the very file of one of StartedThrough (its name, then its device and inode by a
/// stat of /proc/PID/exe) and whose recorded name (comm, and a name of its command line
/// for the part comm cuts off) is the module's, or for a script whose command line names
/// the Script. It skips processes of another real user,
/// also for root, and makes sure the identifier was not reused before the open.
Handle OpenProcessOfModule(std::uint32_t id, const ModuleQuery& query);

/// The arguments of `process`, of the identifier `id`, that OpenProcessOfModule found for
/// `query`: those after its program, read as for the query's Arguments; false when they
/// cannot be read.
/// Note: Linux reads /proc/PID/cmdline again, after the program, the link or the script.
bool ReadArguments(Handle process, std::uint32_t id, const ModuleQuery& query,
                   std::vector<std::string>& arguments);

/// How a process ended, as the platform tells it.
struct ExitStatus {
    enum Kind { Unknown, Exited, Signalled };
    Kind How = Unknown;
    std::uint32_t Value = 0;  ///< the exit code, or the number of the signal
    bool operator==(const ExitStatus&) const = default;
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
    /// Changes of keeper's environment for the new process, applied in order (an empty
    /// value removes the variable); none: keeper's own environment is inherited as it is.
    /// Windows: applied to the environment in UTF-16, so that no character outside the
    /// ANSI code page is lost, with the names and values converted from the ANSI code page
    /// and names compared without regard to case; the block is sorted by name as
    /// CreateProcess requires, and handed over with CREATE_UNICODE_ENVIRONMENT.
    /// Note: Linux applies them to environ, with names compared exactly.
    std::vector<VariableChange> EnvironmentChanges;
    /// A file that standard output and standard error are appended to, created when
    /// missing, while standard input reads nothing; empty: nothing is redirected. It is
    /// opened for the launch and keeper's handle is closed right after it; a file that
    /// cannot be opened fails the launch.
    /// Windows: the file and the NUL device are the only handles the program inherits,
    /// and it gets no console window. Note: Linux puts the file on descriptors 1 and 2 and
    /// /dev/null on 0, and closes every other, those keeper inherited included.
    std::string OutputFile;
    /// Note: Linux has no windows and ignores it.
    WindowState Window = WindowState::Default;
    /// The program and what it starts form a group that can be ended together: Windows
    /// launches it in a job object of its own (not ended when keeper's handle is closed).
    /// Note: Linux needs nothing more: the program leads a process group of its own anyway.
    bool OwnGroup = false;
    /// Windows: the program is launched with CREATE_NEW_PROCESS_GROUP, so that it can get
    /// Ctrl+Break (and no longer gets Ctrl+C). Note: Linux ignores it.
    bool ConsoleGroup = false;
    /// Above 0 ("HangTimeout"): the program is to ping the notification socket at
    /// `NotifyAddress` (empty: keeper could make none) at least every this many ms.
    /// Note: Linux sets NOTIFY_SOCKET and WATCHDOG_USEC (both removed without a socket) and
    /// removes WATCHDOG_PID, on top of the changes above; Windows ignores both fields.
    std::uint32_t WatchdogTimeout = 0;
    std::string NotifyAddress;
};

/// The part of a launch that failed: the program, or the option that it could not use.
enum class LaunchPart { Program, WorkingDirectory, OutputFile };

struct Launch {
    Handle Process = NoHandle;  ///< none when the launch failed
    std::uint32_t Id = 0;       ///< the new process's identifier
    ErrorCode Error = 0;
    /// What failed: the output file that could not be opened, the working directory that
    /// is no directory keeper may enter, or else the program.
    LaunchPart Failed = LaunchPart::Program;
    /// With OwnGroup, what ends the group (Windows: the job object); release it with
    /// CloseGroup. Note: none on Linux.
    Handle Group = NoHandle;
    /// Why the group could not be made, with the name of the call that failed: the process
    /// runs all the same, and is ended alone (Windows: AssignProcessToJobObject fails when
    /// keeper runs in a job that allows no other). Note: always 0 on Linux.
    ErrorCode GroupError = 0;
    const char* GroupCall = "";
};

/// The full path of the program a launch of `commandLine` runs, found as LaunchProcess
/// finds it, from keeper's current directory; the empty text when none is found.
/// Windows: SearchPathA with the extension ".exe". Note: Linux searches PATH for a bare name.
std::string ProgramPathOf(const std::string& commandLine);

/// Starts the program of `options`; nothing of keeper's handles is inherited beyond what
/// the options name.
/// Note: Linux gives the program a session of its own, with the default signal dispositions
/// and an empty signal mask.
Launch LaunchProcess(const LaunchOptions& options);

}  // namespace keeper
