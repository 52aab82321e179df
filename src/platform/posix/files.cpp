#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace keeper {
namespace {

bool Failed(ErrorCode& error) {
    error = static_cast<ErrorCode>(errno);
    return false;
}

int Fd(FileHandle file) { return static_cast<int>(file); }

/// True when `path` still names the file open as `fd`.
bool StillNamed(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

bool Open(const std::string& path, OpenMode mode, FileHandle& file, ErrorCode& error) {
    const int flags =
        O_RDWR | O_CLOEXEC | O_NOCTTY | (mode == OpenMode::Create ? O_CREAT | O_EXCL : 0);
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) return Failed(error);
    // Other writers wait for the lock, so no entry is ever interleaved with another. A
    // file just created may have taken another writer's entry before the lock was ours:
    // writing starts behind it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        (mode == OpenMode::Create && lseek(fd, 0, SEEK_END) < 0)) {
        Failed(error);
        close(fd);
        return false;
    }
    // A writer that rotated the log while this one waited for the lock has renamed the
    // file it holds now: this writer comes again, as after a lock held by another.
    if (!StillNamed(fd, path)) {
        close(fd);
        error = static_cast<ErrorCode>(EWOULDBLOCK);
        return false;
    }
    file = fd;
    return true;
}

bool Size(FileHandle file, std::uint64_t& size, ErrorCode& error) {
    struct stat info {};
    if (fstat(Fd(file), &info) != 0) return Failed(error);
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool Seek(FileHandle file, std::int64_t distance, SeekFrom from, ErrorCode& error) {
    return lseek(Fd(file), distance, from == SeekFrom::Begin ? SEEK_SET : SEEK_END) >= 0 ||
           Failed(error);
}

bool Read(FileHandle file, char* buffer, std::uint32_t size, std::uint32_t& count,
          ErrorCode& error) {
    const ssize_t n = read(Fd(file), buffer, size);
    if (n < 0) return Failed(error);
    count = static_cast<std::uint32_t>(n);
    return true;
}

bool Truncate(FileHandle file, ErrorCode& error) {
    const off_t here = lseek(Fd(file), 0, SEEK_CUR);
    return (here >= 0 && ftruncate(Fd(file), here) == 0) || Failed(error);
}

bool HasKnownType(FileHandle file, ErrorCode& error) {
    struct stat info {};
    return fstat(Fd(file), &info) == 0 || Failed(error);
}

bool Write(FileHandle file, const char* bytes, std::uint32_t count, ErrorCode& error) {
    // A full disk may take the first part of a request and refuse the rest: the part
    // taken is removed again, so a failed request leaves none of its bytes behind.
    const off_t start = lseek(Fd(file), 0, SEEK_CUR);
    bool partial = false;
    while (count > 0) {  // a regular file takes all at once; a pipe may take less
        const ssize_t n = write(Fd(file), bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            Failed(error);
            if (partial && start >= 0 && ftruncate(Fd(file), start) == 0)
                lseek(Fd(file), start, SEEK_SET);
            return false;
        }
        partial = true;
        bytes += n;
        count -= static_cast<std::uint32_t>(n);
    }
    return true;
}

bool Close(FileHandle file, ErrorCode& error) { return close(Fd(file)) == 0 || Failed(error); }

bool Rename(const std::string& from, const std::string& to, ErrorCode& error) {
    return rename(from.c_str(), to.c_str()) == 0 || Failed(error);
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
