#include "platform/ending.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/clock_memory.h"
#include "platform/posix/descriptors.h"

namespace keeper {
namespace {

/// Sends `signal` to the process of the pidfd: never to a process that took its identifier
/// after it ended.
void SignalProcess(Handle process, int signal) {
    syscall(SYS_pidfd_send_signal, FdOf(process), signal, nullptr, 0);
}

/// The group first, then the process itself, which may have left the group.
void SignalWatched(const Watched& watched, int signal) {
    if (watched.Launched) kill(-static_cast<pid_t>(watched.Id), signal);
    SignalProcess(watched.Process, signal);
}

}  // namespace

void AskToEnd(const Watched& watched) { SignalWatched(watched, SIGTERM); }

bool WaitForEnd(Handle process, std::uint32_t milliseconds) {
    // An interrupted poll goes on for what is left of the time, not for all of it again.
    const std::uint64_t deadline = MonotonicMilliseconds() + milliseconds;
    pollfd watched{FdOf(process), POLLIN, 0};
    for (std::uint64_t left = milliseconds;;) {
        const int ready = poll(&watched, 1, static_cast<int>(left < INT_MAX ? left : INT_MAX));
        if (ready > 0) return (watched.revents & POLLNVAL) == 0;
        if (ready < 0 && errno != EINTR) return false;
        const std::uint64_t now = MonotonicMilliseconds();
        if (now >= deadline) return false;
        left = deadline - now;
    }
}

void EndByForce(const Watched& watched) { SignalWatched(watched, SIGKILL); }

void CloseGroup(Handle) {}

}  // namespace keeper
