#include "platform/process_text.h"

#include <unistd.h>

#include <langinfo.h>
#include <sys/stat.h>

#include <array>
#include <cctype>
#include <climits>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "text/utf8.h"

namespace keeper {

const PathStyle NativePaths = PosixPaths;

namespace {

// argv[1..], as the shell split them; the strings are the process's own.
std::vector<std::string_view> Arguments;

/// The upper case of each byte that is a character of its own: ASCII's, and for the
/// bytes from 0x80 up the locale's once ReadCharacterType has run.
std::array<char, 256> ByteUpperCase = [] {
    std::array<char, 256> table{};
    for (std::size_t b = 0; b < table.size(); ++b)
        table[b] = static_cast<char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    return table;
}();

/// Set when the user's character type is UTF-8: bytes from 0x80 up then form the
/// characters that the locale upper-cases.
bool Utf8CharacterType = false;

/// Reads the user's character type the first time a byte of 0x80 or above is to be
/// upper-cased. ASCII letters upper-case alike in every locale, and most names are ASCII:
/// then keeper never loads the locale's tables, which costs start-up time and memory
/// that stays resident.
bool CharacterTypeRead = false;

void ReadCharacterType() {
    if (CharacterTypeRead) return;
    CharacterTypeRead = true;
    std::setlocale(LC_CTYPE, "");
    Utf8CharacterType = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    for (std::size_t b = 0x80; b < ByteUpperCase.size(); ++b)
        ByteUpperCase[b] = static_cast<char>(std::toupper(static_cast<int>(b)));
}

/// Upper-cases `text` in place.
void UpperCaseInPlace(std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) ReadCharacterType();
        if (byte < 0x80 || !Utf8CharacterType) {
            text[at++] = ByteUpperCase[byte];
            continue;
        }
        char32_t code = 0;
        const std::size_t length = Utf8SequenceAt(text, at, code);
        if (length == 0) {  // not UTF-8: the byte stays as it is
            ++at;
            continue;
        }
        // A letter whose upper case takes another number of bytes (the long s, the dotless
        // i) stays as it is: the text keeps its length, as on Windows.
        const auto upper = static_cast<char32_t>(std::towupper(static_cast<wint_t>(code)));
        if (upper != code && upper <= 0x10FFFF && (upper < 0xD800 || upper > 0xDFFF) &&
            Utf8Length(upper) == length) {
            std::string encoded;
            AppendUtf8(encoded, upper);
            text.replace(at, length, encoded);
        }
        at += length;
    }
}

}  // namespace

void InitProcessText(int argc, char** argv) {
    // Upper-casing follows the user's character type, read when a name first needs it.
    // UTF-8 has no lead bytes in the double-byte sense, so those tables stay empty.
    CharacterTypeRead = false;
    Utf8CharacterType = false;
    for (std::size_t b = 0x80; b < ByteUpperCase.size(); ++b)
        ByteUpperCase[b] = static_cast<char>(b);
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
        std::string path(PATH_MAX, '\0');
        const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        // A copy of its own size: the path is kept for the whole run.
        return path.substr(0, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    if (index < 0 || index > ArgumentCount()) return {};
    return std::string(Arguments[index - 1]);
}

std::string CurrentDirectory() {
    std::string path(PATH_MAX, '\0');
    if (getcwd(path.data(), path.size()) == nullptr) return {};
    return path.substr(0, path.find('\0'));  // of its own size: the driver keeps it
}

std::string UpperCaseCopy(std::string_view text) {
    std::string copy(text);
    UpperCaseInPlace(copy);
    return copy;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // Byte by byte while both are ASCII, without a copy: the scan of the process list
    // compares every process's name. An ASCII byte is always a character of its own, so
    // from the first other byte on the rest of both texts is compared upper-cased.
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80) {
            ReadCharacterType();
            if (Utf8CharacterType) {
                std::string restOfA(a.substr(i)), restOfB(b.substr(i));
                UpperCaseInPlace(restOfA);
                UpperCaseInPlace(restOfB);
                return restOfA == restOfB;
            }
        }
        if (ByteUpperCase[x] != ByteUpperCase[y]) return false;
    }
    return true;
}

}  // namespace keeper
