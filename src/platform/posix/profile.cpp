#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "text/profile_lookup.h"

namespace keeper {
namespace {

/// The whole file; what was read before a failure, or nothing when it cannot be opened.
/// Read straight into the text, with no buffer of its own on the stack.
std::string FileContents(const std::string& file) {
    std::string contents;
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return contents;
    struct stat info {};
    // A file that grows while it is read, or one of no known size, is read to its end.
    const std::size_t expected =
        fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    std::size_t used = 0;
    for (;;) {
        // Room for the whole file and one byte more, so that the read that finds its end
        // needs no larger text; a file that outgrows it gets more room.
        if (used == contents.size())
            contents.resize(used + std::max<std::size_t>(expected, 4096) + 1);
        const ssize_t n = read(fd, contents.data() + used, contents.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        used += static_cast<std::size_t>(n);
    }
    close(fd);
    contents.resize(used);
    return contents;
}

}  // namespace

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, std::size_t bufferSize) {
    return LookUpProfileString(FileContents(file), section, key, bufferSize);
}

std::vector<std::string> ReadProfileStrings(const std::string& file, const std::string& section,
                                            const std::vector<std::string_view>& keys,
                                            std::size_t bufferSize) {
    const std::string contents = FileContents(file);
    std::vector<std::string> values;
    values.reserve(keys.size());
    for (const std::string_view key : keys)
        values.push_back(LookUpProfileString(contents, section, key, bufferSize));
    return values;
}

std::vector<std::string> ReadProfileKeyNames(const std::string& file, const std::string& section) {
    return ProfileKeyNames(FileContents(file), section);
}

std::vector<std::string> ReadProfileSection(const std::string& file, const std::string& section) {
    return ProfileSectionLines(FileContents(file), section);
}

}  // namespace keeper
