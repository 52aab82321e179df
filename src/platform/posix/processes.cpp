#include "platform/processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
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

/// The process behind each open pidfd; a pidfd does not tell its pid cheaply.
std::map<int, pid_t> OpenProcesses;

int OpenPidFd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

bool HasEnded(int pidfd) {
    pollfd probe{pidfd, POLLIN, 0};
    return poll(&probe, 1, 0) != 0;
}

/// The target of /proc/<pid>/exe; false when the process may not be inspected.
bool ExecutablePath(pid_t pid, std::string& path) {
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::string target(4096, '\0');
    const ssize_t n = readlink(link.c_str(), target.data(), target.size());
    if (n <= 0) return false;
    target.resize(static_cast<std::size_t>(n));
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
    std::string path;
    if (!ExecutablePath(pid, path)) {  // another user's, or a kernel thread
        close(fd);
        return NoHandle;
    }
    OpenProcesses[fd] = pid;
    return HandleOf(fd);
}

bool ExecutableFileName(Handle process, std::string& name) {
    const auto found = OpenProcesses.find(FdOf(process));
    std::string path;
    if (found == OpenProcesses.end() || !ExecutablePath(found->second, path)) return false;
    // The identifier may have passed to a new process if ours ended meanwhile.
    if (HasEnded(found->first)) return false;
    name = FileNamePart(path, NativePaths, LeadBytes);
    return true;
}

void CloseProcess(Handle process) {
    const int fd = FdOf(process);
    siginfo_t info{};
    // Reaps our own child once it has ended; for any other process this is ECHILD.
    waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(fd), &info, WEXITED | WNOHANG);
    OpenProcesses.erase(fd);
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
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) return {NoHandle, static_cast<ErrorCode>(failed)};

    const int fd = OpenPidFd(pid);
    if (fd < 0) return {NoHandle, static_cast<ErrorCode>(errno)};
    OpenProcesses[fd] = pid;
    return {HandleOf(fd), 0};
}

}  // namespace keeper
