#include "platform/status.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/descriptors.h"
#include "platform/posix/event_errors.h"

namespace keeper {
namespace {

std::string RecordName(const std::string& name) { return name + ".status"; }

/// The lock that marks a record whose watcher lives: a write lock on its first byte.
struct flock RecordLock(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_len = 1;
    return lock;
}

/// The record this process made, removed when it exits (a return from main, or exit): the
/// name is still held then, so no watcher after it can have made one in its place.
int OwnRecord = -1;
char OwnRecordPath[4096];

void RemoveOwnRecord() {
    struct stat held {};
    struct stat named {};
    if (fstat(OwnRecord, &held) == 0 && stat(OwnRecordPath, &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        unlink(OwnRecordPath);
}

}  // namespace

std::uint32_t OwnProcessId() { return static_cast<std::uint32_t>(getpid()); }

Result<Handle> CreateStatusRecord(const std::string& name) {
    const int dir = OpenNameSpace();
    if (dir < 0) return {NoHandle, static_cast<ErrorCode>(errno)};
    // The instance name is this watcher's alone, and with it the record of a watcher before.
    const int fd =
        openat(dir, RecordName(name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    close(dir);
    struct flock lock = RecordLock(F_WRLCK);
    if (fd < 0 || fcntl(fd, F_OFD_SETLK, &lock) != 0 || ftruncate(fd, 0) != 0) {
        const auto error = static_cast<ErrorCode>(errno);
        if (fd >= 0) close(fd);
        return {NoHandle, error};
    }
    const std::string path = EventNameSpace() + "/" + RecordName(name);
    if (OwnRecord < 0 && path.size() < sizeof OwnRecordPath) {
        path.copy(OwnRecordPath, path.size());
        OwnRecordPath[path.size()] = '\0';
        OwnRecord = fd;
        std::atexit(RemoveOwnRecord);
    }
    return {HandleOf(fd), 0};
}

void WriteStatusRecord(Handle record, std::string_view bytes) {
    if (bytes.size() > StatusRecordSize) return;  // a record never outgrows its room
    // The record only grows or keeps its size: its length is written in it.
    if (pwrite(FdOf(record), bytes.data(), bytes.size(), 0) < 0) {
    }
}

RecordRead ReadStatusRecord(const std::string& name, std::string& bytes) {
    const int dir = OpenNameSpace(false);
    if (dir < 0) return RecordRead::NoWatcher;
    const int fd = openat(dir, RecordName(name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    close(dir);
    // A watcher holds the lock for as long as it lives; a reader only asks about it.
    struct flock lock = RecordLock(F_RDLCK);
    bool read = fd >= 0 && fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type == F_WRLCK;
    if (read) {
        bytes.resize(StatusRecordSize);
        const ssize_t n = pread(fd, bytes.data(), bytes.size(), 0);
        read = n >= 0;
        bytes.resize(read ? static_cast<std::size_t>(n) : 0);
    }
    if (fd >= 0) close(fd);
    if (read) return RecordRead::Read;
    return IsInstanceNameHeld(name) ? RecordRead::Unreadable : RecordRead::NoWatcher;
}

void WriteStandardOutput(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(1, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace keeper
