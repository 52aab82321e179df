#include "platform/processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/environment.h"
#include "platform/posix/descriptors.h"
#include "platform/posix/started_under.h"
#include "platform/process_text.h"
#include "text/argument_list.h"
#include "text/variables.h"

namespace keeper {
namespace {

int OpenPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

bool HasEnded(int pidfd) {
    pollfd probe{pidfd, POLLIN, 0};
    return poll(&probe, 1, 0) != 0;
}

/// The name "<directory><number>/<file>" ("<directory><number>" for no file), built without
/// allocating and without the printf family, whose buffers would deepen the stack: the scan builds
/// one for every listed process.
class ProcFile {
public:
    ProcFile(pid_t pid, const char* file) : ProcFile("/proc/", pid, file) {}
    ProcFile(const char* directory, int number, const char* file) {
        std::size_t at = Append(0, directory);
        char digits[12];
        std::size_t n = 0;
        auto rest = static_cast<unsigned>(number);
        do {
            digits[n++] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest != 0 && n < sizeof digits);
        while (n > 0)
            path_[at++] = digits[--n];
        if (*file != '\0') at = Append(Append(at, "/"), file);
        path_[at] = '\0';
    }
    const char* Path() const { return path_; }

private:
    std::size_t Append(std::size_t at, const char* text) {
        while (*text != '\0' && at + 1 < sizeof path_)
            path_[at++] = *text++;
        return at;
    }
    char path_[48];
};

/// The target of the symbolic link `link`, read into `buffer`, or into `longer` for one
/// that does not fit it; the empty text when it cannot be read. The buffer is small: the
/// stack's deepest page stays resident for the whole wait.
std::string_view LinkTarget(const char* link, char (&buffer)[256], std::string& longer) {
    ssize_t n = readlink(link, buffer, sizeof buffer);
    if (n == static_cast<ssize_t>(sizeof buffer)) {  // perhaps cut: read it whole
        longer.resize(PATH_MAX);
        n = readlink(link, longer.data(), longer.size());
        return {longer.data(), n > 0 ? static_cast<std::size_t>(n) : 0};
    }
    return {buffer, n > 0 ? static_cast<std::size_t>(n) : 0};
}

std::string_view FileNameOf(std::string_view path) { return path.substr(path.rfind('/') + 1); }

/// The file name of the executable of `pid`; false when the process may not be inspected
/// (another user's without root, a kernel thread) or has ended.
bool ExecutableName(pid_t pid, char (&buffer)[256], std::string& longer, std::string_view& name) {
    std::string_view target = LinkTarget(ProcFile(pid, "exe").Path(), buffer, longer);
    if (target.empty()) return false;
    // An executable replaced on disk while it runs still counts under its name.
    constexpr std::string_view deleted = " (deleted)";
    if (target.size() > deleted.size() && target.ends_with(deleted))
        target.remove_suffix(deleted.size());
    name = FileNameOf(target);
    return true;
}

/// At most `size` bytes of the file `file` of /proc/PID; the empty text when it cannot
/// be read.
std::string_view ReadProcFile(pid_t pid, const char* file, char* buffer, std::size_t size) {
    const int fd = open(ProcFile(pid, file).Path(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    const ssize_t n = read(fd, buffer, size);
    close(fd);
    return n > 0 ? std::string_view(buffer, static_cast<std::size_t>(n)) : std::string_view{};
}

/// The name the kernel recorded for `pid` (its comm, at most RecordedNameLength bytes),
/// read into `buffer`; the empty text when it cannot be read.
std::string_view RecordedName(pid_t pid, char (&buffer)[64]) {
    std::string_view recorded = ReadProcFile(pid, "comm", buffer, sizeof buffer);
    if (recorded.ends_with('\n')) recorded.remove_suffix(1);
    return recorded;
}

/// The real user of `pid`, from the first number of its "Uid:" line; -1 when unknown.
long RealUser(pid_t pid) {
    char buffer[512];  // the Uid line comes well within the first 512 bytes
    const std::string_view status = ReadProcFile(pid, "status", buffer, sizeof buffer);
    const std::size_t at = status.find("\nUid:");
    if (at == std::string_view::npos) return -1;
    return std::strtol(buffer + at + 5, nullptr, 10);  // the line goes on past the number
}

enum class Kind { No, ByExecutable, ThroughItsName, RunsScript };

/// What the scan makes of a process before its command line: how it may run the module, and
/// for a script, the interpreter of StartedThrough that it runs.
struct Candidate {
    Kind How = Kind::No;
    const ExecutableFile* Interpreter = nullptr;
};

FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

/// What the executable's name and, for an executable a file of the module's name leads
/// to, the file it is and the name the process was started by say about `pid`. Costs one
/// system call for a process whose executable has another name.
Candidate CandidateOf(pid_t pid, const ModuleQuery& query) {
    // The buffers are small: the stack's deepest page stays resident for the whole wait.
    char buffer[256];
    std::string longer;
    std::string_view name;
    if (!ExecutableName(pid, buffer, longer, name)) return {};
    if (SameTextIgnoreCase(name, query.ModuleName)) return {Kind::ByExecutable};
    bool named = false;
    for (const ExecutableFile& through : query.StartedThrough)
        named = named || SameTextIgnoreCase(name, through.Name);
    if (!named) return {};
    // The very file, not one of the same name elsewhere: stat follows /proc/PID/exe.
    struct stat info {};
    if (stat(ProcFile(pid, "exe").Path(), &info) != 0) return {};
    const ExecutableFile* runs =
        FindExecutable(name, IdentityOf(info), query.StartedThrough, SameTextIgnoreCase);
    if (runs == nullptr) return {};
    // An interpreter of the script: its command line tells whether it runs the script.
    if (query.Script) return {Kind::RunsScript, runs};
    char comm[64];
    return SameTextIgnoreCase(RecordedName(pid, comm),
                              std::string_view(query.ModuleName).substr(0, RecordedNameLength))
               ? Candidate{Kind::ThroughItsName}
               : Candidate{};
}

/// The whole command line of `pid` (its arguments, each ended by a NUL); the empty text
/// when it cannot be read. On the heap, which is handed back before a wait.
std::string CommandLineOf(pid_t pid) {
    std::string line;
    const int fd = open(ProcFile(pid, "cmdline").Path(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return line;
    for (std::size_t size = 0;;) {
        line.resize(size + 4096);
        const ssize_t n = read(fd, line.data() + size, line.size() - size);
        if (n <= 0) {
            line.resize(n < 0 ? 0 : size);
            break;
        }
        size += static_cast<std::size_t>(n);
    }
    close(fd);
    return line;
}

/// The file `path` names for the process `pid`: a relative path from its current directory.
FileIdentity FileOfProcess(std::string_view path, int pid) {
    std::string name(path);
    if (!path.starts_with('/')) name = std::string(ProcFile(pid, "cwd").Path()) + "/" + name;
    struct stat info {};
    return stat(name.c_str(), &info) == 0 ? IdentityOf(info) : FileIdentity{};
}

/// The number of the argument of `commandLine`, the command line of `pid`, a candidate of
/// kind `held`, that its arguments follow: the program, the file of the module's name it was
/// started through, or the script; -1 when the command line does not name that file.
int ProgramOf(pid_t pid, Candidate held, const ModuleQuery& query, const std::string& commandLine) {
    if (held.How == Kind::ThroughItsName) {
        char comm[64];
        return ProgramArgument(RecordedName(pid, comm), commandLine, query.ModuleName,
                               SameTextIgnoreCase);
    }
    if (held.How == Kind::RunsScript)
        return ScriptArgument(commandLine, *query.Script, held.Interpreter->ScriptOptions,
                              FileOfProcess, pid);
    return 0;
}

/// Whether the command line of `pid`, a candidate of kind `held`, confirms it: a process
/// started through a file of the module's name names that file where the kernel puts it,
/// and with the query's arguments, those follow the program (or the script) exactly.
bool ConfirmedByCommandLine(pid_t pid, Candidate held, const ModuleQuery& query) {
    const std::string commandLine = CommandLineOf(pid);
    const int program = ProgramOf(pid, held, query, commandLine);
    if (!query.Arguments) return program >= 0;
    return ArgumentsAfter(commandLine, program) == query.Arguments;
}

/// The path a launch of `program` runs: the program itself when it names a directory,
/// else the first executable file of that name in PATH, as posix_spawnp searches it; the
/// empty text when there is none.
std::string ProgramPath(const std::string& program) {
    if (program.find('/') != std::string::npos) return program;
    const char* search = std::getenv("PATH");
    std::string_view dirs = search != nullptr ? search : "/bin:/usr/bin";
    for (;;) {
        const std::size_t end = dirs.find(':');
        const std::string_view dir = dirs.substr(0, end);
        std::string path = dir.empty() ? program : std::string(dir) + "/" + program;
        struct stat info {};
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(path.c_str(), X_OK) == 0)
            return path;
        if (end == std::string_view::npos) return {};
        dirs.remove_prefix(end + 1);
    }
}

/// The file `path` leads to through its symbolic links: its file name and identity; an
/// empty name when it cannot be resolved.
ExecutableFile ResolvedFile(const std::string& path) {
    // The kernel resolves the links of a file it has opened; realpath would walk them
    // one by one, with buffers of PATH_MAX on the stack.
    const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) return {};
    ExecutableFile file;
    struct stat info {};
    if (fstat(fd, &info) == 0) {
        const ProcFile opened("/proc/self/fd/", fd, "");
        char buffer[256];
        std::string longer;
        file = {std::string(FileNameOf(LinkTarget(opened.Path(), buffer, longer))),
                IdentityOf(info)};
    }
    close(fd);
    return file;
}

/// The #! line of the script `path` as the kernel reads it: its interpreter, and its option,
/// the rest of the line as one argument (blanks around it left out; none when empty); an
/// empty interpreter when it is no script.
struct ScriptLine {
    std::string Interpreter;
    std::string Option;
};
ScriptLine ReadScriptLine(const std::string& path) {
    char head[256];  // the kernel's too: a longer line is cut to the first 255 bytes
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return {};
    const ssize_t n = read(fd, head, sizeof head);
    close(fd);
    std::string_view line(head, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (!line.starts_with("#!")) return {};
    const std::size_t end = line.find_first_of(std::string_view("\r\n\0", 3));
    line = line.substr(2, (end == std::string_view::npos ? sizeof head - 1 : end) - 2);
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    line = line.substr(start, line.find_last_not_of(" \t") + 1 - start);
    const std::size_t interpreter = std::min(line.find_first_of(" \t"), line.size());
    const std::size_t option = std::min(line.find_first_not_of(" \t", interpreter), line.size());
    return {std::string(line.substr(0, interpreter)), std::string(line.substr(option))};
}

}  // namespace

Result<std::vector<std::uint32_t>> ListProcessIds() {
    Result<std::vector<std::uint32_t>> list;
    std::vector<std::uint32_t>& ids = list.Value;
    const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) {
        list.Error = static_cast<ErrorCode>(errno);
        return list;
    }
    // The entries are read with getdents64 into a buffer of the stack's: opendir's
    // 32 KiB of heap would leave a page of names resident beside live data.
    alignas(8) char entries[1024];
    for (;;) {
        const long n = syscall(SYS_getdents64, proc, entries, sizeof entries);
        if (n <= 0) break;  // the end, or a listing cut short: what was read counts
        for (long at = 0; at < n && ids.size() < MaxListedProcesses;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            std::uint32_t id = 0;
            const char* c = entry->d_name;
            for (; *c >= '0' && *c <= '9'; ++c)
                id = id * 10 + static_cast<std::uint32_t>(*c - '0');
            if (*c == '\0' && c != entry->d_name) ids.push_back(id);
        }
        if (ids.size() >= MaxListedProcesses) break;
    }
    close(proc);
    return list;
}

ModuleQuery PrepareModuleQuery(const std::string& moduleName, const std::string& command) {
    ModuleQuery query{moduleName, {}, {}, {}};
    const std::string path = ProgramPath(ScanArgument(command, 0, LeadByteSet{}).Token);
    if (path.empty()) return query;
    const auto add = [&query](ExecutableFile file, std::vector<std::string> options) {
        if (file.Name.empty() || SameTextIgnoreCase(file.Name, query.ModuleName)) return;
        file.ScriptOptions = std::move(options);
        query.StartedThrough.push_back(std::move(file));
    };
    add(ResolvedFile(path), {});  // what a symbolic link of the module's name runs
    const ScriptLine script = ReadScriptLine(path);
    if (script.Interpreter.empty()) return query;
    // What a script of the module's name runs: its interpreter, given the line's option
    // before the script, and the program that "#!/usr/bin/env python3" has env find, given
    // the words after it.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return query;
    query.Script = IdentityOf(info);
    std::vector<std::string> option;
    if (!script.Option.empty()) option.push_back(script.Option);
    add(ResolvedFile(script.Interpreter), std::move(option));
    if (FileNameOf(script.Interpreter) == "env") {
        EnvCommand env = EnvCommandOf(script.Option);
        if (const std::string found = env.Program.empty() ? "" : ProgramPath(env.Program);
            !found.empty())
            add(ResolvedFile(found), std::move(env.Arguments));
    }
    return query;
}

Handle OpenProcessOfModule(std::uint32_t id, const ModuleQuery& query) {
    const auto pid = static_cast<pid_t>(id);
    if (CandidateOf(pid, query).How == Kind::No) return NoHandle;
    const int fd = OpenPidFd(pid);
    if (fd < 0) return NoHandle;
    // Everything is read again now that the pidfd holds the process: if it has not ended
    // by the last read, the identifier had not passed to another process meanwhile.
    const Candidate held = CandidateOf(pid, query);
    const bool runs = held.How != Kind::No && RealUser(pid) == static_cast<long>(getuid()) &&
                      ((held.How == Kind::ByExecutable && !query.Arguments) ||
                       ConfirmedByCommandLine(pid, held, query)) &&
                      !HasEnded(fd);
    if (runs) return HandleOf(fd);
    close(fd);
    return NoHandle;
}

bool ReadArguments(Handle, std::uint32_t id, const ModuleQuery& query,
                   std::vector<std::string>& arguments) {
    const auto pid = static_cast<pid_t>(id);
    const Candidate held = CandidateOf(pid, query);
    if (held.How == Kind::No) return false;
    const std::string commandLine = CommandLineOf(pid);
    std::optional<std::vector<std::string>> after =
        ArgumentsAfter(commandLine, ProgramOf(pid, held, query, commandLine));
    if (!after) return false;
    arguments = std::move(*after);
    return true;
}

ExitStatus CloseProcess(Handle process) {
    const int fd = FdOf(process);
    // Reaps the process when it is a child of ours that has ended; for one keeper adopted
    // this is ECHILD, and how it ended stays unknown.
    siginfo_t info{};
    ExitStatus status;
    if (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(fd), &info, WEXITED | WNOHANG) ==
            0 &&
        info.si_pid != 0) {
        status.How = info.si_code == CLD_EXITED ? ExitStatus::Exited : ExitStatus::Signalled;
        status.Value = static_cast<std::uint32_t>(info.si_status);
    }
    close(fd);
    return status;
}

std::string SignalName(std::uint32_t number) {
    const char* name = sigabbrev_np(static_cast<int>(number));
    return name != nullptr ? std::string("SIG") + name : std::string();
}

namespace {

/// Pointers to the texts, ended by a null pointer, as exec takes them.
std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

/// `environment` with the variables of the notification protocol: the application pings
/// keeper's socket, if keeper could make one; a manager's socket that keeper itself was
/// given is never the application's to use, nor is a WATCHDOG_PID of keeper's own.
std::vector<std::string> WithWatchdog(std::vector<std::string> environment,
                                      const LaunchOptions& options) {
    const bool socket = !options.NotifyAddress.empty();
    const std::vector<VariableChange> changes = {
        {"NOTIFY_SOCKET", options.NotifyAddress},
        {"WATCHDOG_USEC",
         socket ? std::to_string(std::uint64_t{options.WatchdogTimeout} * 1000) : std::string()},
        {"WATCHDOG_PID", ""}};
    return ChangedEnvironment(std::move(environment), changes, false);
}

/// What a launch hands to posix_spawn beside the program: the session, the signals, and
/// the directory and the standard descriptors of the options.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawnattr_init(&attributes_);
        posix_spawn_file_actions_init(&actions_);
        // The application gets a session of its own, so it outlives keeper's terminal.
        // Nothing of keeper's signal handling passes on: an ignored SIGHUP would stay
        // ignored across exec, and the handlers' signals get their default back too.
        sigset_t all;
        sigfillset(&all);
        sigset_t unblocked;
        sigemptyset(&unblocked);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setsigmask(&attributes_, &unblocked);
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
        if (output_ >= 0) close(output_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    /// The child enters `directory` before it runs the program.
    void EnterDirectory(const std::string& directory) {
        posix_spawn_file_actions_addchdir_np(&actions_, directory.c_str());
    }

    /// Standard output and error appended to `file`, standard input from /dev/null; false
    /// (with errno) when the file cannot be opened. keeper's own descriptor of it is
    /// closed with the setup, right after the launch.
    bool RedirectOutput(const std::string& file) {
        // Never blocking: a FIFO that nobody reads fails the launch (ENXIO) instead of holding
        // the watcher in the open. The application writes as to any file, blocking.
        output_ = open(file.c_str(),
                       O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
        if (output_ >= 0 && fcntl(output_, F_SETFL, O_APPEND) != 0) {
            const int reason = errno;
            close(output_);
            output_ = -1;
            errno = reason;
        }
        if (output_ < 0) return false;
        // dup2 clears close-on-exec on the copies, and on those alone.
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions_, output_, 1);
        posix_spawn_file_actions_adddup2(&actions_, output_, 2);
        // Nor does a descriptor that keeper inherited from what started it reach the
        // application: a pipe it held would keep its reader from ever seeing the end.
        posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
        return true;
    }

    int Spawn(pid_t& pid, char* const* argv, char* const* envp) {
        return posix_spawnp(&pid, argv[0], &actions_, &attributes_, argv, envp);
    }

private:
    posix_spawnattr_t attributes_{};
    posix_spawn_file_actions_t actions_{};
    int output_ = -1;
};

}  // namespace

std::string ProgramPathOf(const std::string& commandLine) {
    const std::vector<std::string> words = ArgumentList(commandLine, LeadByteSet{});
    if (words.empty()) return {};
    std::string path = ProgramPath(words[0]);
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        access(path.c_str(), X_OK) != 0)
        return {};
    return path.front() == '/' ? path : CurrentDirectory() + "/" + path;
}

Launch LaunchProcess(const LaunchOptions& options) {
    // The words of the command line, split by the argument rules without lead bytes.
    std::vector<std::string> words = ArgumentList(options.CommandLine, LeadByteSet{});
    if (words.empty()) return {NoHandle, 0, ENOENT};
    SpawnSetup setup;
    if (!options.WorkingDirectory.empty()) {
        // The program is still found from keeper's directory: a relative path is made
        // absolute before the child changes its own.
        if (words[0].find('/') != std::string::npos && words[0].front() != '/') {
            const std::string here = CurrentDirectory();
            if (!here.empty()) words[0] = here + "/" + words[0];
        }
        setup.EnterDirectory(options.WorkingDirectory);
    }
    if (!options.OutputFile.empty() && !setup.RedirectOutput(options.OutputFile))
        return {NoHandle, 0, static_cast<ErrorCode>(errno), LaunchPart::OutputFile};
    std::vector<char*> argv = Pointers(words);
    const bool ownEnvironment = !options.EnvironmentChanges.empty() || options.WatchdogTimeout > 0;
    std::vector<std::string> variables;
    std::vector<char*> envp;
    if (ownEnvironment) {
        variables = ChangedEnvironment(EnvironmentStrings(), options.EnvironmentChanges, false);
        if (options.WatchdogTimeout > 0) variables = WithWatchdog(std::move(variables), options);
        envp = Pointers(variables);
    }
    pid_t pid = 0;
    const int failed = setup.Spawn(pid, argv.data(), ownEnvironment ? envp.data() : environ);
    if (failed != 0) {
        // The child's change of directory and its exec fail alike; a directory it cannot
        // enter is the cause when there is one.
        struct stat info {};
        const bool enterable =
            options.WorkingDirectory.empty() ||
            (stat(options.WorkingDirectory.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
             access(options.WorkingDirectory.c_str(), X_OK) == 0);
        return {NoHandle, 0, static_cast<ErrorCode>(failed),
                enterable ? LaunchPart::Program : LaunchPart::WorkingDirectory};
    }

    const int fd = OpenPidFd(pid);
    if (fd < 0) return {NoHandle, 0, static_cast<ErrorCode>(errno)};
    return {HandleOf(fd), static_cast<std::uint32_t>(pid), 0};
}

}  // namespace keeper
