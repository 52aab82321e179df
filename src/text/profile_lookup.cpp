#include "text/profile_lookup.h"

#include <algorithm>

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

/// One line of a section: its name, and its value when it has an "=".
struct ProfileLine {
    std::string_view Name;
    std::string_view Value;
    bool HasValue = false;
};

/// The name of the section that `line` (trimmed) opens; false for a line that opens none.
/// A line that opens a bracket without closing one is an ordinary line.
bool SectionName(std::string_view line, std::string_view& name) {
    const std::size_t close = line.rfind(']');
    if (!line.starts_with('[') || close == std::string_view::npos) return false;
    name = UpToNul(Trimmed(line.substr(1, close - 1)));
    return true;
}

/// Calls `visit` with each line of the first section named `section`, in order, until it
/// returns false. Comment lines (";") and blank lines are passed too: a caller that wants
/// them out leaves them out.
template <typename Visit>
void VisitSection(std::string_view contents, std::string_view section, Visit visit) {
    enum { BeforeSection, InSection, AfterSection } where = BeforeSection;
    while (!contents.empty() && where != AfterSection) {
        const std::string_view line = Trimmed(NextLine(contents));
        if (std::string_view name; SectionName(line, name)) {
            const bool match = SameAsciiTextIgnoreCase(name, section);
            if (where == InSection)
                where = AfterSection;
            else if (match)
                where = InSection;
            continue;
        }
        if (where != InSection) continue;
        const std::size_t equals = line.find('=');
        const bool hasValue = equals != std::string_view::npos;
        if (!visit(ProfileLine{
                UpToNul(Trimmed(line.substr(0, equals))),
                hasValue ? UpToNul(Trimmed(line.substr(equals + 1))) : std::string_view{},
                hasValue}))
            return;
    }
}

/// The contents with a byte-order mark taken into account: UTF-8 without its mark, UTF-16
/// converted to UTF-8 in `converted`.
std::string_view Decoded(std::string_view contents, std::string& converted) {
    if (contents.starts_with("\xEF\xBB\xBF")) return contents.substr(3);
    const bool littleEndian = contents.starts_with("\xFF\xFE");
    if (!littleEndian && !contents.starts_with("\xFE\xFF")) return contents;
    converted = Utf8FromUtf16(contents.substr(2), !littleEndian);
    return converted;
}

/// A line that names a key: neither blank nor a comment.
bool IsKeyLine(const ProfileLine& line) { return !line.Name.empty() && line.Name.front() != ';'; }

}  // namespace

std::string_view WithoutEnclosingQuotes(std::string_view value) {
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool IsUtf16WithoutMark(std::string_view contents) {
    if (contents.starts_with("\xEF\xBB\xBF") || contents.starts_with("\xFF\xFE") ||
        contents.starts_with("\xFE\xFF"))
        return false;
    const std::size_t units = std::min<std::size_t>(contents.size() / 2, 256);
    std::size_t little = 0;
    std::size_t big = 0;
    for (std::size_t i = 0; i < units; ++i) {
        const unsigned char first = static_cast<unsigned char>(contents[2 * i]);
        const unsigned char second = static_cast<unsigned char>(contents[2 * i + 1]);
        little += second == 0 && first != 0 && first < 0x80 ? 1 : 0;
        big += first == 0 && second != 0 && second < 0x80 ? 1 : 0;
    }
    return units >= 2 && (2 * little > units || 2 * big > units);
}

std::string LookUpProfileString(std::string_view contents, std::string_view section,
                                std::string_view key, std::size_t bufferSize) {
    std::string converted;
    std::string result;
    VisitSection(Decoded(contents, converted), section, [&](const ProfileLine& line) {
        if (!SameAsciiTextIgnoreCase(line.Name, key)) return true;
        const std::string_view value = WithoutEnclosingQuotes(line.Value);
        const std::size_t room = bufferSize > 0 ? bufferSize - 1 : 0;
        result = std::string(value.substr(0, Utf8CutLength(value, room)));
        return false;  // the first line of the name counts
    });
    return result;
}

std::vector<ProfileItem> ProfileOutline(std::string_view contents) {
    std::string converted;
    std::string_view rest = Decoded(contents, converted);
    std::vector<ProfileItem> items;
    for (std::size_t number = 1; !rest.empty(); ++number) {
        const std::string_view line = Trimmed(NextLine(rest));
        if (line.empty() || line.starts_with(';')) continue;
        const std::size_t equals = line.find('=');
        const std::string_view key = UpToNul(Trimmed(line.substr(0, equals)));
        if (std::string_view name; SectionName(line, name))
            items.push_back({number, true, std::string(name)});
        else if (!key.empty() || equals != std::string_view::npos)  // as a section's lines go
            items.push_back({number, false, std::string(key)});
    }
    return items;
}

std::vector<std::string> ProfileSectionLines(std::string_view contents, std::string_view section) {
    std::string converted;
    std::vector<std::string> lines;
    VisitSection(Decoded(contents, converted), section, [&](const ProfileLine& line) {
        if (line.HasValue && !line.Name.starts_with(';'))
            lines.push_back(std::string(line.Name) + "=" + std::string(line.Value));
        else if (IsKeyLine(line))
            lines.emplace_back(line.Name);
        return true;
    });
    return lines;
}

}  // namespace keeper
