#include "platform/profile.h"

#include <fstream>
#include <iterator>

#include "text/profile_lookup.h"

namespace keeper {

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, std::size_t bufferSize) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    const std::string contents{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    return LookUpProfileString(contents, section, key, bufferSize);
}

}  // namespace keeper
