#include "platform/profile.h"

#include <windows.h>

#include <vector>

namespace keeper {

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, std::size_t bufferSize) {
    std::vector<char> buffer(bufferSize, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                             static_cast<DWORD>(bufferSize), file.c_str());
    return n == 0 ? std::string() : std::string(buffer.data(), n);
}

std::vector<std::string> ReadProfileStrings(const std::string& file, const std::string& section,
                                            const std::vector<std::string_view>& keys,
                                            std::size_t bufferSize) {
    std::vector<std::string> values;
    for (const std::string_view key : keys)
        values.push_back(ReadProfileString(file, section, std::string(key), bufferSize));
    return values;
}

namespace {

/// The texts of a list ended by two NUL bytes, as `fill` writes it into a buffer of the
/// size it is given; the buffer grows while the list fills it (the call then returns the
/// size less 2).
template <typename Fill>
std::vector<std::string> ProfileList(Fill fill) {
    for (DWORD size = 4096;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD n = fill(buffer.data(), size);
        if (n + 2 >= size && size < (1u << 24)) continue;
        std::vector<std::string> texts;
        for (DWORD at = 0; at < n && buffer[at] != '\0';) {
            texts.emplace_back(buffer.data() + at);
            at += static_cast<DWORD>(texts.back().size()) + 1;
        }
        return texts;
    }
}

}  // namespace

std::vector<std::string> ReadProfileKeyNames(const std::string& file, const std::string& section) {
    return ProfileList([&](char* buffer, DWORD size) {
        return GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer, size, file.c_str());
    });
}

std::vector<std::string> ReadProfileSection(const std::string& file, const std::string& section) {
    return ProfileList([&](char* buffer, DWORD size) {
        return GetPrivateProfileSectionA(section.c_str(), buffer, size, file.c_str());
    });
}

}  // namespace keeper
