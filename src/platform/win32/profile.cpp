#include "platform/profile.h"

#include <windows.h>

#include <string_view>
#include <vector>

namespace keeper {

Profile OpenProfile(const std::string& file) {
    Profile profile{file, {}, 0};
    const DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        profile.Error = GetLastError();
        return profile;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        profile.Error = ERROR_DIRECTORY;
        return profile;
    }
    // The bytes, for the file's layout; a file that cannot be opened now is read by the
    // system's calls all the same, as far as they can.
    const HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return profile;
    for (;;) {
        const std::size_t used = profile.Contents.size();
        profile.Contents.resize(used + 4096);
        DWORD n = 0;
        if (!ReadFile(handle, profile.Contents.data() + used, 4096, &n, nullptr)) n = 0;
        profile.Contents.resize(used + n);
        if (n == 0) break;
    }
    CloseHandle(handle);
    return profile;
}

std::string ReadProfileString(const Profile& profile, const char* section, const char* key,
                              std::size_t bufferSize) {
    std::vector<char> buffer(bufferSize, '\0');
    const DWORD n = GetPrivateProfileStringA(section, key, "", buffer.data(),
                                             static_cast<DWORD>(bufferSize), profile.File.c_str());
    return std::string(buffer.data(), n);
}

std::vector<std::string> ReadProfileSection(const Profile& profile, const char* section) {
    // The lines come as a list ended by two NUL bytes; the buffer grows while the list fills
    // it (the call then returns the size less 2). The section's comments come with them, and
    // are left out.
    for (DWORD size = 4096;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD n =
            GetPrivateProfileSectionA(section, buffer.data(), size, profile.File.c_str());
        if (n + 2 >= size && size < (1u << 24)) continue;
        std::vector<std::string> lines;
        for (DWORD at = 0; at < n && buffer[at] != '\0';) {
            const std::string_view line(buffer.data() + at);
            at += static_cast<DWORD>(line.size()) + 1;
            if (!line.starts_with(';')) lines.emplace_back(line);
        }
        return lines;
    }
}

}  // namespace keeper
