#include "platform/profile.h"

#include <windows.h>

#include <string_view>
#include <vector>

namespace keeper {

Profile OpenProfile(const std::string& file) {
    const DWORD attributes = GetFileAttributesA(file.c_str());
    ErrorCode error = 0;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        error = GetLastError();
    else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        error = ERROR_DIRECTORY;
    return {file, {}, error};
}

std::string ReadProfileString(const Profile& profile, const char* section, const char* key,
                              std::size_t bufferSize) {
    std::vector<char> buffer(bufferSize, '\0');
    const DWORD n = GetPrivateProfileStringA(section, key, "", buffer.data(),
                                             static_cast<DWORD>(bufferSize), profile.File.c_str());
    return std::string(buffer.data(), n);
}

namespace {

/// The texts of a list ended by two NUL bytes, as `fill` writes it into a buffer of the
/// size it is given; the buffer grows while the list fills it (the call then returns the
/// size less 2). `lines`: the texts are a section's lines or key names, which may come
/// with the section's comments; those are left out, as they are no keys.
template <typename Fill>
std::vector<std::string> ProfileList(Fill fill, bool lines = true) {
    for (DWORD size = 4096;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD n = fill(buffer.data(), size);
        if (n + 2 >= size && size < (1u << 24)) continue;
        std::vector<std::string> texts;
        for (DWORD at = 0; at < n && buffer[at] != '\0';) {
            const std::string_view text(buffer.data() + at);
            at += static_cast<DWORD>(text.size()) + 1;
            if (!lines || !text.starts_with(';')) texts.emplace_back(text);
        }
        return texts;
    }
}

}  // namespace

std::vector<std::string> ReadProfileKeyNames(const Profile& profile, const char* section) {
    return ProfileList([&](char* buffer, DWORD size) {
        return GetPrivateProfileStringA(section, nullptr, "", buffer, size, profile.File.c_str());
    });
}

std::vector<std::string> ReadProfileSection(const Profile& profile, const char* section) {
    return ProfileList([&](char* buffer, DWORD size) {
        return GetPrivateProfileSectionA(section, buffer, size, profile.File.c_str());
    });
}

std::vector<std::string> ReadProfileSectionNames(const Profile& profile) {
    return ProfileList(
        [&](char* buffer, DWORD size) {
            return GetPrivateProfileSectionNamesA(buffer, size, profile.File.c_str());
        },
        false);
}

}  // namespace keeper
