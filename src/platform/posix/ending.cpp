#include "platform/ending.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

// glibc 2.36 declares these without the guards of C++.
extern "C" {
#include <sys/pidfd.h>
}

#include "platform/clock_memory.h"
#include "platform/hangs.h"
#include "platform/posix/descriptors.h"
#include "platform/posix/poll_until.h"

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

bool WaitForEnd(const Watched& watched, std::uint32_t milliseconds) {
    // poll skips the slot of a descriptor of -1: no socket.
    pollfd slots[2] = {{FdOf(watched.Process), POLLIN, 0},
                       {watched.Notify == NoHandle ? -1 : FdOf(watched.Notify), POLLIN, 0}};
    const std::uint64_t deadline = MonotonicMilliseconds() + milliseconds;
    for (;;) {
        if (PollUntil(slots, 2, true, deadline) <= 0 || (slots[0].revents & POLLNVAL) != 0)
            return false;
        if (slots[0].revents != 0) return true;
        DropNotifications(watched.Notify);
    }
}

void EndByForce(const Watched& watched) { SignalWatched(watched, SIGKILL); }

void EndWhatIsLeft(const Watched& watched) {
    if (watched.Launched) kill(-static_cast<pid_t>(watched.Id), SIGKILL);
}

void CloseGroup(Handle) {}

}  // namespace keeper
