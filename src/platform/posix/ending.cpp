#include "platform/ending.h"

#include <signal.h>
#include <unistd.h>

// glibc 2.36 declares these without the guards of C++.
extern "C" {
#include <sys/pidfd.h>
}

#include "platform/posix/descriptors.h"

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

void CloseGroup(Handle) {}

}  // namespace keeper
