#include "platform/ending.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

// glibc 2.36 declares these without the guards of C++.
extern "C" {
#include <sys/pidfd.h>
}

#include "platform/posix/descriptors.h"
#include "platform/processes.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace keeper {
namespace {

/// Sends `signal` to the process of the pidfd: never to a process that took its identifier
/// after it ended.
void SignalProcess(Handle process, int signal) {
    pidfd_send_signal(FdOf(process), signal, nullptr, 0);
}

/// The group first, then the process itself, which may have left the group.
void SignalWatched(const Watched& watched, int signal) {
    if (watched.Launched) kill(-static_cast<pid_t>(watched.Id), signal);
    SignalProcess(watched.Process, signal);
}

}  // namespace

void AskToEnd(const Watched& watched) { SignalWatched(watched, SIGTERM); }

void EndByForce(const Watched& watched) { SignalWatched(watched, SIGKILL); }

void EndWhatIsLeft(const Watched& watched) {
    if (watched.Launched) kill(-static_cast<pid_t>(watched.Id), SIGKILL);
}

std::uint32_t CountWhatIsLeft(const Watched& watched) {
    if (!watched.Launched) return 0;
    std::uint32_t left = 0;
    const Result<std::vector<std::uint32_t>> ids = ListProcessIds();
    for (const std::uint32_t id : ids.Value) {
        // The group is field 5 of /proc/PID/stat, after the name in parentheses, which may
        // itself hold blanks and parentheses.
        char stat[512];
        const std::string path = "/proc/" + std::to_string(id) + "/stat";
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const ssize_t n = read(fd, stat, sizeof stat - 1);
        close(fd);
        if (n <= 0) continue;
        stat[n] = '\0';
        // ") STATE PARENT GROUP ..."
        const char* at = std::strrchr(stat, ')');
        if (id == watched.Id || at == nullptr || at[1] != ' ' || at[2] == 'Z') continue;
        at = std::strchr(at + 3, ' ');                     // past the state, to the parent
        if (at != nullptr) at = std::strchr(at + 1, ' ');  // to the group
        if (at != nullptr && std::strtoul(at + 1, nullptr, 10) == watched.Id) ++left;
    }
    return left;
}

void CloseGroup(Handle) {}

}  // namespace keeper
