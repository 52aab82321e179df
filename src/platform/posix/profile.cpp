#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "text/profile_lookup.h"

namespace keeper {

Profile OpenProfile(const std::string& file) {
    // The whole file, read straight into the text, with no buffer of its own on the
    // stack; what was read before a failure counts.
    Profile profile{file, {}, 0};
    std::string& contents = profile.Contents;
    // A FIFO without a writer reads as empty instead of holding keeper up in the open.
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        profile.Error = static_cast<ErrorCode>(errno);
        return profile;
    }
    struct stat info {};
    // A file that grows while it is read, or one of no known size, is read to its end.
    const std::size_t expected =
        fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    std::size_t used = 0;
    for (;;) {
        // Room for the whole file and one byte more, so that the read that finds its end
        // needs no larger text; a file that outgrows it, or one of no known size, gets more
        // room.
        if (used == contents.size())
            contents.resize(used + (used == 0 && expected > 0 ? expected : 4096) + 1);
        const ssize_t n = read(fd, contents.data() + used, contents.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && used == 0) profile.Error = static_cast<ErrorCode>(errno);  // a directory
        if (n <= 0) break;
        used += static_cast<std::size_t>(n);
    }
    close(fd);
    contents.resize(used);
    return profile;
}

std::string ReadProfileString(const Profile& profile, const char* section, const char* key,
                              std::size_t bufferSize) {
    return LookUpProfileString(profile.Contents, section, key, bufferSize);
}

std::vector<std::string> ReadProfileSection(const Profile& profile, const char* section) {
    return ProfileSectionLines(profile.Contents, section);
}

}  // namespace keeper
