#include "text/profile_lookup.h"

#include "text/ascii.h"
#include "text/utf8.h"

namespace keeper {
namespace {

/// The bytes GetPrivateProfileStringA trims around names and values: blank, tab,
/// vertical tab, form feed and Ctrl-Z (the DOS end of file). CR and LF end lines.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

/// A name or value ends at its first NUL byte, as a C string would.
std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

/// The next line of `rest`, without its line end; `rest` moves past it.
std::string_view NextLine(std::string_view& rest) {
    const std::size_t end = rest.find_first_of("\r\n");
    const std::string_view line = rest.substr(0, end);
    if (end == std::string_view::npos) {
        rest = {};
    } else {
        const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
        rest.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

std::string ValueOf(std::string_view contents, std::string_view section, std::string_view key,
                    std::size_t bufferSize) {
    enum { BeforeSection, InSection, AfterSection } where = BeforeSection;
    while (!contents.empty() && where != AfterSection) {
        const std::string_view line = Trimmed(NextLine(contents));
        // A line that opens a bracket without closing one is an ordinary line.
        if (const std::size_t close = line.rfind(']');
            line.starts_with('[') && close != std::string_view::npos) {
            const bool match =
                SameAsciiTextIgnoreCase(UpToNul(Trimmed(line.substr(1, close - 1))), section);
            if (where == InSection)
                where = AfterSection;
            else if (match)
                where = InSection;
            continue;
        }
        if (where != InSection) continue;
        const std::size_t equals = line.find('=');
        if (!SameAsciiTextIgnoreCase(UpToNul(Trimmed(line.substr(0, equals))), key)) continue;
        std::string_view value = equals == std::string_view::npos
                                     ? std::string_view{}
                                     : UpToNul(Trimmed(line.substr(equals + 1)));
        if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        const std::size_t room = bufferSize > 0 ? bufferSize - 1 : 0;
        return std::string(value.substr(0, Utf8CutLength(value, room)));
    }
    return {};
}

}  // namespace

std::string LookUpProfileString(std::string_view contents, std::string_view section,
                                std::string_view key, std::size_t bufferSize) {
    if (contents.starts_with("\xEF\xBB\xBF"))
        return ValueOf(contents.substr(3), section, key, bufferSize);
    const bool littleEndian = contents.starts_with("\xFF\xFE");
    if (littleEndian || contents.starts_with("\xFE\xFF"))
        return ValueOf(Utf8FromUtf16(contents.substr(2), !littleEndian), section, key, bufferSize);
    return ValueOf(contents, section, key, bufferSize);
}

}  // namespace keeper
