#include "platform/processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <string>

#include "platform/posix/descriptors.h"
#include "platform/process_text.h"
#include "text/arguments.h"

namespace keeper {
namespace {

/// The process behind each open pidfd (a pidfd does not tell its pid cheaply), with
/// the executable path read when it was opened.
struct OpenProcess {
    pid_t Pid;
    std::string ExecutablePath;
    bool Child;  ///< launched by us, so ours to reap
};
std::map<int, OpenProcess> OpenProcesses;

int OpenPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

bool HasEnded(int pidfd) {
    pollfd probe{pidfd, POLLIN, 0};
    return poll(&probe, 1, 0) != 0;
}

/// The target of /proc/<pid>/exe; false when the process may not be inspected.
bool ExecutablePath(pid_t pid, std::string& path) {
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    char buffer[4096];
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer);
    if (n <= 0) return false;
    std::string target(buffer, static_cast<std::size_t>(n));
    // An executable replaced on disk while it runs still counts under its name.
    constexpr std::string_view deleted = " (deleted)";
    if (target.size() > deleted.size() && target.ends_with(deleted))
        target.resize(target.size() - deleted.size());
    path = std::move(target);
    return true;
}

}  // namespace

bool ListProcessIds(std::vector<std::uint32_t>& ids, ErrorCode& error) {
    ids.clear();
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        error = static_cast<ErrorCode>(errno);
        return false;
    }
    while (ids.size() < MaxListedProcesses) {
        const dirent* entry = readdir(proc);
        if (entry == nullptr) break;
        std::uint32_t id = 0;
        const char* c = entry->d_name;
        for (; *c >= '0' && *c <= '9'; ++c)
            id = id * 10 + static_cast<std::uint32_t>(*c - '0');
        if (*c == '\0' && c != entry->d_name) ids.push_back(id);
    }
    closedir(proc);
    return true;
}

Handle OpenWatchableProcess(std::uint32_t id) {
    const auto pid = static_cast<pid_t>(id);
    const int fd = OpenPidFd(pid);
    if (fd < 0) return NoHandle;
    // Read once, after the pidfd holds the process: the scan reads every listed
    // process's executable, and this link is most of what a scan costs.
    std::string path;
    if (!ExecutablePath(pid, path)) {  // another user's, or a kernel thread
        close(fd);
        return NoHandle;
    }
    OpenProcesses[fd] = {pid, std::move(path), false};
    return HandleOf(fd);
}

bool ExecutableFileName(Handle process, std::string& name) {
    const auto found = OpenProcesses.find(FdOf(process));
    if (found == OpenProcesses.end()) return false;
    OpenProcess& opened = found->second;
    if (opened.ExecutablePath.empty() && !ExecutablePath(opened.Pid, opened.ExecutablePath))
        return false;
    // The path was read after the pidfd was opened; if the process has not ended by now,
    // the identifier had not passed to a new process when the path was read.
    if (HasEnded(found->first)) return false;
    name = FileNamePart(opened.ExecutablePath, NativePaths, LeadBytes);
    return true;
}

void CloseProcess(Handle process) {
    const int fd = FdOf(process);
    const auto found = OpenProcesses.find(fd);
    if (found == OpenProcesses.end() || found->second.Child) {
        siginfo_t info{};
        // Reaps our own child once it has ended. A scan never opens a child of ours: the
        // one we launched is reaped before the next scan, and an ended process has no
        // executable link to open it by. So the processes a scan only looked at, for
        // which this would be ECHILD, are not asked.
        waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(fd), &info, WEXITED | WNOHANG);
    }
    if (found != OpenProcesses.end()) OpenProcesses.erase(found);
    close(fd);
}

Launch LaunchProcess(const std::string& commandLine) {
    std::vector<std::string> words;
    const LeadByteSet none;
    for (std::size_t at = 0;;) {
        ScannedArgument word = ScanArgument(commandLine, at, none);
        if (word.Token.empty()) break;
        at = word.Next;
        words.push_back(std::move(word.Token));
    }
    if (words.empty()) return {NoHandle, ENOENT};
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // The application gets a session of its own, so it outlives keeper's terminal.
    // Nothing of keeper's signal handling passes on: an ignored SIGHUP would stay
    // ignored across exec, and the handlers' signals get their default back too.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &unblocked);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) return {NoHandle, static_cast<ErrorCode>(failed)};

    const int fd = OpenPidFd(pid);
    if (fd < 0) return {NoHandle, static_cast<ErrorCode>(errno)};
    // The path of a child we launched is read only if it is asked for.
    OpenProcesses[fd] = {pid, {}, true};
    // A long wait follows. The start-up's buffers (the settings file's 16 KiB, the
    // links' 4 KiB) are free again but stay resident in the heap until handed back.
    malloc_trim(0);
    return {HandleOf(fd), 0};
}

}  // namespace keeper
