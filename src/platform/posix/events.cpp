// The instance event on Linux: a FIFO named after the event in a directory that only
// this user may enter. Holding the name means holding the FIFO open with an open-file-
// description read lock on its first byte; the lock dies with the last descriptor, even
// on kill -9, and so does the name. A signal is a byte in the pipe, kept by the kernel
// while any holder has it open, so a signal sent while nobody waits stays pending.
#include "platform/events.h"

#include "platform/clock_memory.h"
#include "platform/posix/poll_until.h"

#include "platform/posix/descriptors.h"
#include "platform/posix/event_errors.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>

namespace keeper {
namespace {

/// Sets errno to the code of what `path` is when it could not be opened as this user's
/// directory: a symbolic link, no directory, or another user's. Leaves errno as it is
/// otherwise.
void ExplainRefusedDirectory(const std::string& path) {
    const int reason = errno;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        errno = reason;
        return;
    }
    if (S_ISLNK(info.st_mode))
        errno = static_cast<int>(NameSpaceSymbolicLink);
    else if (!S_ISDIR(info.st_mode))
        errno = static_cast<int>(NameSpaceNotDirectory);
    else if (info.st_uid != geteuid())  // another user's directory that we may not enter
        errno = static_cast<int>(NameSpaceOtherOwner);
    else
        errno = reason;
}

}  // namespace

int OpenNameSpace(bool create) {
    const std::string path = EventNameSpace();
    if (create && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    const int dir = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        ExplainRefusedDirectory(path);
        return -1;
    }
    struct stat info {};
    int refused = 0;
    if (fstat(dir, &info) != 0)
        refused = errno;
    else if (info.st_uid != geteuid())
        refused = static_cast<int>(NameSpaceOtherOwner);
    else if ((info.st_mode & 0077) != 0)
        refused = static_cast<int>(NameSpaceOpenToOthers);
    if (refused != 0) {
        close(dir);
        errno = refused;
        return -1;
    }
    return dir;
}

namespace {

bool LockFirstByte(int fd, short type, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    int result;
    do {
        result = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

/// The byte of the holder's mark: the second byte of the FIFO, apart from the first one's
/// name locks.
constexpr off_t MarkByte = 1;

/// The lock of the mark on `fd`: a process-associated lock, whose owner F_GETLK names
/// (an open-file-description lock has no owning process). It lives until the process exits
/// or closes a descriptor of the FIFO, which the holder keeps open for its whole life.
struct flock MarkLock() {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = MarkByte;
    lock.l_len = 1;
    return lock;
}

bool TakeHolderMark(int fd) {
    struct flock lock = MarkLock();
    return fcntl(fd, F_SETLK, &lock) == 0;
}

/// The process that holds the mark on the FIFO of `fd`: 0 when none does, -1 when that
/// cannot be told (the query failed, or the holder lives in another PID name space).
pid_t HolderOfMark(int fd) {
    struct flock lock = MarkLock();
    if (fcntl(fd, F_GETLK, &lock) != 0) return -1;
    if (lock.l_type == F_UNLCK) return 0;
    return lock.l_pid > 0 ? lock.l_pid : -1;
}

/// Consumes every pending signal: the event resets itself once a wait has seen it.
void Drain(int fd) {
    char bytes[64];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
}

/// Why the file found under an event's name cannot be this user's event; 0 when it can.
int EventRefusal(const struct stat& info) {
    if (!S_ISFIFO(info.st_mode)) return static_cast<int>(EventNotFifo);
    if (info.st_uid != geteuid()) return static_cast<int>(EventOtherOwner);
    return 0;
}

InstanceEvent Failure() { return {NoHandle, false, static_cast<ErrorCode>(errno)}; }

}  // namespace

std::string EventNameSpace() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime != nullptr && runtime[0] == '/' ? std::string(runtime) + "/keeper"
                                                   : "/tmp/keeper-" + std::to_string(geteuid());
}

std::string EventErrorText(ErrorCode code) {
    const std::string where = "The directory " + EventNameSpace() + " of the instance events ";
    switch (code) {
        case NameSpaceNotDirectory:
            return where + "is not a directory";
        case NameSpaceSymbolicLink:
            return where + "is a symbolic link";
        case NameSpaceOtherOwner:
            return where + "is owned by another user";
        case NameSpaceOpenToOthers:
            return where + "is open to other users (it must have mode 0700)";
        case EventNotFifo:
            return "An instance event in " + EventNameSpace() + " is not a FIFO";
        case EventOtherOwner:
            return "An instance event in " + EventNameSpace() + " is owned by another user";
        default:
            return {};
    }
}

InstanceEvent CreateInstanceEvent(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
        errno = EINVAL;
        return Failure();
    }
    const int dir = OpenNameSpace();
    if (dir < 0) return Failure();
    if (mkfifoat(dir, name.c_str(), 0600) != 0 && errno != EEXIST) {
        const InstanceEvent failed = Failure();
        close(dir);
        return failed;
    }
    const int fd = openat(dir, name.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd < 0) {
        // Say what is in the way when it is not this user's FIFO.
        const int reason = errno;
        const int refused =
            fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 ? EventRefusal(info) : 0;
        errno = refused != 0 ? refused : reason;
        const InstanceEvent failedOpen = Failure();
        close(dir);
        return failedOpen;
    }
    close(dir);

    const int refused = fstat(fd, &info) != 0 ? errno : EventRefusal(info);
    if (refused != 0) {
        close(fd);
        errno = refused;
        return Failure();
    }
    // Whoever gets the write lock is the only holder: the name is new. The lock then
    // turns into a shared one in a single step, so no racer can slip in between. Before
    // that, while no other process can hold the name yet, the new holder takes its mark.
    if (LockFirstByte(fd, F_WRLCK, false)) {
        Drain(fd);  // bytes left by holders that are gone belong to a dead name
        TakeHolderMark(fd);
        LockFirstByte(fd, F_RDLCK, false);
        return {HandleOf(fd), false, 0};
    }
    if ((errno == EAGAIN || errno == EACCES) && LockFirstByte(fd, F_RDLCK, true))
        return {HandleOf(fd), true, 0};
    const InstanceEvent failed = Failure();
    close(fd);
    return failed;
}

bool SignalEvent(Handle event) {
    const char signal = 1;
    // A full pipe is a signalled event already.
    return write(FdOf(event), &signal, 1) == 1 || errno == EAGAIN;
}

WaitOutcome WaitForStopOrExit(Handle event, Handle process, ErrorCode& error) {
    return WaitForStopExitOrTime(event, process, NoHandle, false, 0, error);
}

WaitOutcome WaitForStopExitOrTime(Handle event, Handle process, Handle notify, bool timed,
                                  std::uint32_t milliseconds, ErrorCode& error) {
    pollfd watched[3] = {{FdOf(event), POLLIN, 0},
                         {FdOf(process), POLLIN, 0},
                         {notify == NoHandle ? -1 : FdOf(notify), POLLIN, 0}};
    // poll skips the slot of a descriptor of -1: no socket.
    const std::uint64_t deadline = timed ? MonotonicMilliseconds() + milliseconds : 0;
    for (;;) {
        const int ready = PollUntil(watched, 3, timed, deadline);
        if (ready < 0) {
            error = static_cast<ErrorCode>(errno);
            return WaitOutcome::Failed;
        }
        if (ready == 0) return WaitOutcome::TimedOut;
        for (const pollfd& slot : watched) {
            if ((slot.revents & POLLNVAL) != 0) {
                error = EBADF;
                return WaitOutcome::Failed;
            }
        }
        if ((watched[0].revents & POLLIN) != 0) {  // the event wins a tie
            Drain(watched[0].fd);
            return WaitOutcome::StopRequested;
        }
        if (watched[1].revents != 0) return WaitOutcome::ProcessEnded;
        if (watched[2].revents != 0) return WaitOutcome::Notified;
    }
}

namespace {

/// The event's descriptor, for the signal handler; -1 until TakeStopSignals.
volatile sig_atomic_t StopSignalEvent = -1;

void SignalStopRequest(int) {
    // Only what is safe in a handler: one write to the event's FIFO, which never blocks
    // (a full pipe is a signalled event already).
    const int saved = errno;
    const char signal = 1;
    if (StopSignalEvent >= 0 && write(StopSignalEvent, &signal, 1) < 0) {
    }
    errno = saved;
}

}  // namespace

void TakeStopSignals(Handle event) {
    StopSignalEvent = FdOf(event);
    struct sigaction request {};
    request.sa_handler = SignalStopRequest;
    sigemptyset(&request.sa_mask);
    request.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &request, nullptr);
    sigaction(SIGINT, &request, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGHUP, &ignore, nullptr);
}

void HoldWatcherMark(const std::string&) {}

bool WaitForWatcherEnd(Handle event, const std::string&, std::uint32_t milliseconds) {
    // The process that made the name new holds its mark until it exits: the watcher. Its
    // pidfd is one wait with a time-out, which any number of stoppers can share; the mark is
    // looked at again once the pidfd is open, so that a reused identifier is never waited on.
    const pid_t holder = HolderOfMark(FdOf(event));
    if (holder <= 0) return holder == 0;
    const int process = static_cast<int>(syscall(SYS_pidfd_open, holder, 0));
    if (process < 0) return errno == ESRCH;
    const pid_t again = HolderOfMark(FdOf(event));
    bool ended = again >= 0 && again != holder;
    if (again == holder) {
        pollfd watched{process, POLLIN, 0};
        ended = PollUntil(&watched, 1, true, MonotonicMilliseconds() + milliseconds) > 0 &&
                (watched.revents & POLLNVAL) == 0;
    }
    close(process);
    return ended;
}

void Pause(std::uint32_t milliseconds) {
    timespec rest{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &rest, &rest) == EINTR) {
    }
}

PauseOutcome PauseUnlessSignalled(Handle event, std::uint32_t milliseconds, ErrorCode& error) {
    pollfd watched{FdOf(event), POLLIN, 0};
    const int ready = PollUntil(&watched, 1, true, MonotonicMilliseconds() + milliseconds);
    if (ready == 0) return PauseOutcome::Elapsed;
    if (ready < 0 || (watched.revents & POLLNVAL) != 0) {
        error = ready < 0 ? static_cast<ErrorCode>(errno) : EBADF;
        return PauseOutcome::Failed;
    }
    Drain(watched.fd);
    return PauseOutcome::StopRequested;
}

}  // namespace keeper
