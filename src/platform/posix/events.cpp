// The instance event on Linux: a FIFO named after the event in a directory that only
// this user may enter. Holding the name means holding the FIFO open with an open-file-
// description read lock on its first byte; the lock dies with the last descriptor, even
// on kill -9, and so does the name. A signal is a byte in the pipe, kept by the kernel
// while any holder has it open, so a signal sent while nobody waits stays pending.
// The process that makes a name new marks it as its own with a second FIFO, NAME.watcher,
// that it holds open for writing until it exits: a stopper waits for the hang-up of that
// pipe, which needs neither the watcher's process identifier nor a timer.
#include "platform/events.h"

#include "platform/clock_memory.h"
#include "platform/hangs.h"

#include "platform/posix/descriptors.h"
#include "platform/posix/event_errors.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
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

/// The lock of a name's holders on the first byte of its FIFO.
struct flock NameLock(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    return lock;
}

bool LockFirstByte(int fd, short type, bool wait) {
    struct flock lock = NameLock(type);
    int result;
    do {
        result = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    return result == 0;
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

/// The name of the mark of the instance `name`.
std::string MarkName(const std::string& name) { return name + ".watcher"; }

/// Makes the mark of the new name `name` in the directory `dir`: its FIFO, held open for
/// writing (and reading, so that the open never waits) until the process exits.
void TakeMark(int dir, const std::string& name) {
    const std::string mark = MarkName(name);
    if (mkfifoat(dir, mark.c_str(), 0600) != 0 && errno != EEXIST) return;
    // Never closed: the descriptor goes with the process, and tells its end.
    const int fd = openat(dir, mark.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd >= 0 && (fstat(fd, &info) != 0 || EventRefusal(info) != 0)) close(fd);
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
    const int refused = fstat(fd, &info) != 0 ? errno : EventRefusal(info);
    if (refused != 0) {
        close(dir);
        close(fd);
        errno = refused;
        return Failure();
    }
    // Whoever gets the write lock is the only holder: the name is new. The lock then
    // turns into a shared one in a single step, so no racer can slip in between. Before
    // that, while no other process can hold the name yet, the new holder takes its mark.
    if (LockFirstByte(fd, F_WRLCK, false)) {
        Drain(fd);  // bytes left by holders that are gone belong to a dead name
        TakeMark(dir, name);
        close(dir);
        LockFirstByte(fd, F_RDLCK, false);
        return {HandleOf(fd), false, 0};
    }
    close(dir);
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

Result<WaitOutcome> Wait(const Waited& what, std::uint64_t deadline) {
    // poll skips the slot of a descriptor of -1: a handle of none.
    const auto slot = [](Handle handle) {
        return pollfd{handle == NoHandle ? -1 : FdOf(handle), POLLIN, 0};
    };
    pollfd slots[3] = {slot(what.Event), slot(what.Process), slot(what.Notify)};
    for (;;) {
        int wait = -1;
        if (deadline != NoDeadline) {
            // poll counts in int milliseconds; a signal or an early wake waits again for
            // what is left, not for all of it.
            const std::uint64_t now = MonotonicMilliseconds();
            wait = now >= deadline
                       ? 0
                       : static_cast<int>(std::min<std::uint64_t>(deadline - now, INT_MAX));
        }
        const int ready = poll(slots, 3, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return {WaitOutcome::Failed, static_cast<ErrorCode>(errno)};
        for (const pollfd& watched : slots)
            if ((watched.revents & POLLNVAL) != 0) return {WaitOutcome::Failed, EBADF};
        if ((slots[0].revents & POLLIN) != 0) {  // the event wins a tie
            Drain(slots[0].fd);
            return {WaitOutcome::StopRequested, 0};
        }
        if (slots[1].revents != 0) return {WaitOutcome::ProcessEnded, 0};
        if (slots[2].revents != 0) {
            if (what.EndOnDatagram) return {WaitOutcome::Notified, 0};
            DropNotifications(what.Notify);
        } else if (ready == 0 && MonotonicMilliseconds() >= deadline) {
            return {WaitOutcome::TimedOut, 0};
        }
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

bool WaitForWatcherEnd(Handle, const std::string& name, std::uint32_t milliseconds) {
    const int dir = OpenNameSpace(false);
    if (dir < 0) return false;
    const std::string mark = MarkName(name);
    const int fd = openat(dir, mark.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        close(dir);
        return errno == ENOENT;  // no mark to wait for
    }
    // A pipe opened for reading while no writer holds it keeps its hang-up to itself until a
    // writer has come and gone: a writer of the stopper's own comes and goes, so that the
    // hang-up shows as soon as no writer is left, and only then. The watcher holds one for as
    // long as it lives.
    const int writer = openat(dir, mark.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (writer >= 0) close(writer);
    close(dir);
    const bool ended =
        writer >= 0 &&
        Wait({NoHandle, HandleOf(fd)}, MonotonicMilliseconds() + milliseconds).Value ==
            WaitOutcome::ProcessEnded;
    close(fd);
    return ended;
}

bool IsInstanceNameHeld(const std::string& name) {
    const int dir = OpenNameSpace(false);
    if (dir < 0) return false;
    const int fd = openat(dir, name.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    close(dir);
    if (fd < 0) return false;
    struct flock lock = NameLock(F_WRLCK);
    const bool held = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    close(fd);
    return held;
}

}  // namespace keeper
