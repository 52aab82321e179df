#include "platform/profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "text/profile_lookup.h"

namespace keeper {
namespace {

/// The whole file; what was read before a failure, or nothing when it cannot be opened.
std::string FileContents(const std::string& file) {
    std::string contents;
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return contents;
    char buffer[16384];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return contents;
}

}  // namespace

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, std::size_t bufferSize) {
    return LookUpProfileString(FileContents(file), section, key, bufferSize);
}

}  // namespace keeper
