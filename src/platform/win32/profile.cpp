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
                                            std::initializer_list<std::string_view> keys,
                                            std::size_t bufferSize) {
    std::vector<std::string> values;
    for (const std::string_view key : keys)
        values.push_back(ReadProfileString(file, section, std::string(key), bufferSize));
    return values;
}

}  // namespace keeper
