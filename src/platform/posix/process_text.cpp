#include "platform/process_text.h"

#include <unistd.h>

#include <sys/stat.h>
#include <cctype>
#include <clocale>
#include <string>
#include <vector>

namespace keeper {

const PathStyle NativePaths = PosixPaths;

namespace {
std::vector<std::string> Arguments;  // argv[1..], as the shell split them
}

void InitProcessText(int argc, char** argv) {
    // Upper-casing follows the user's character type; the code page is UTF-8, which has
    // no lead bytes in the double-byte sense, so the tables stay empty.
    std::setlocale(LC_CTYPE, "");
    DoubleByteEnabled = false;
    Arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
}

int ArgumentCount() {
    // As on Windows, the first empty argument ends the list.
    int count = 0;
    while (count < static_cast<int>(Arguments.size()) && !Arguments[count].empty())
        ++count;
    return count;
}

std::string ArgumentAt(int index) {
    if (index == 0) {
        std::string path(4096, '\0');
        const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return path;
    }
    if (index < 0 || index > ArgumentCount()) return {};
    return Arguments[index - 1];
}

std::string CurrentDirectory() {
    std::string path(4096, '\0');
    if (getcwd(path.data(), path.size()) == nullptr) return {};
    path.resize(path.find('\0'));
    return path;
}

bool IsExistingFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string UpperCaseCopy(std::string_view text) {
    std::string copy(text);
    for (char& c : copy)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return copy;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperCaseCopy(a) == UpperCaseCopy(b);
}

}  // namespace keeper
