#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace keeper {
namespace {

/// errno after a call that failed; 0 after one that did not.
ErrorCode ErrorOf(bool failed) { return failed ? static_cast<ErrorCode>(errno) : 0; }

int Fd(FileHandle file) { return static_cast<int>(file); }

/// True when `path` still names the file open as `fd`.
bool StillNamed(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

Result<FileHandle> Open(const std::string& path, OpenMode mode) {
    const int flags =
        O_RDWR | O_CLOEXEC | O_NOCTTY | (mode == OpenMode::Create ? O_CREAT | O_EXCL : 0);
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) return {0, ErrorOf(true)};
    // Other writers wait for the lock, so no entry is ever interleaved with another. A
    // file just created may have taken another writer's entry before the lock was ours:
    // writing starts behind it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        (mode == OpenMode::Create && lseek(fd, 0, SEEK_END) < 0)) {
        const ErrorCode error = ErrorOf(true);
        close(fd);
        return {0, error};
    }
    // A writer that rotated the log while this one waited for the lock has renamed the
    // file it holds now: this writer comes again, as after a lock held by another.
    if (!StillNamed(fd, path)) {
        close(fd);
        return {0, static_cast<ErrorCode>(EWOULDBLOCK)};
    }
    return {fd, 0};
}

Result<std::uint64_t> Size(FileHandle file) {
    struct stat info {};
    if (fstat(Fd(file), &info) != 0) return {0, ErrorOf(true)};
    return {static_cast<std::uint64_t>(info.st_size), 0};
}

ErrorCode Seek(FileHandle file, std::int64_t distance, SeekFrom from) {
    return ErrorOf(lseek(Fd(file), distance, from == SeekFrom::Begin ? SEEK_SET : SEEK_END) < 0);
}

Result<std::uint32_t> Read(FileHandle file, char* buffer, std::uint32_t size) {
    const ssize_t n = read(Fd(file), buffer, size);
    if (n < 0) return {0, ErrorOf(true)};
    return {static_cast<std::uint32_t>(n), 0};
}

ErrorCode Truncate(FileHandle file) {
    const off_t here = lseek(Fd(file), 0, SEEK_CUR);
    return ErrorOf(here < 0 || ftruncate(Fd(file), here) != 0);
}

Result<bool> HasKnownType(FileHandle file) {
    struct stat info {};
    const bool known = fstat(Fd(file), &info) == 0;
    return {known, ErrorOf(!known)};
}

ErrorCode Write(FileHandle file, const char* bytes, std::uint32_t count) {
    // A full disk may take the first part of a request and refuse the rest: the part
    // taken is removed again, so a failed request leaves none of its bytes behind.
    const off_t start = lseek(Fd(file), 0, SEEK_CUR);
    bool partial = false;
    while (count > 0) {  // a regular file takes all at once; a pipe may take less
        const ssize_t n = write(Fd(file), bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            const ErrorCode error = ErrorOf(true);
            if (partial && start >= 0 && ftruncate(Fd(file), start) == 0)
                lseek(Fd(file), start, SEEK_SET);
            return error;
        }
        partial = true;
        bytes += n;
        count -= static_cast<std::uint32_t>(n);
    }
    return 0;
}

ErrorCode Close(FileHandle file) { return ErrorOf(close(Fd(file)) != 0); }

ErrorCode Rename(const std::string& from, const std::string& to) {
    return ErrorOf(rename(from.c_str(), to.c_str()) != 0);
}

}  // namespace

bool IsExistingFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

FileCalls Files = {Open, Size, Seek, Read, Truncate, HasKnownType, Write, Close, Rename};

const ErrorCode SharingViolation = EWOULDBLOCK;

const ErrorCode FileNotFound = ENOENT;

const ErrorCode FileExists = EEXIST;

}  // namespace keeper
