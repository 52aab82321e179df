// Path-name rules: delimiters, extensions, directory and file-name parts.
#include "text/paths.h"

namespace keeper {

std::size_t RightmostDelimiter(std::string_view set, std::string_view text,
                               const LeadByteSet& lead) {
    std::size_t i = text.size();
    while (i > 0) {
        const char byte = text[i - 1];
        if (byte != '\0' && set.find(byte) != std::string_view::npos) {
            if (ByteKindAt(text, i, lead) != ByteKind::Trail) {
                return i;
            }
            --i;  // the lead byte of this character cannot be a delimiter either
        }
        --i;
    }
    return 0;
}

std::string ReplaceExtension(std::string_view path, std::string_view extension,
                             const PathStyle& style, const LeadByteSet& lead) {
    const std::size_t i = RightmostDelimiter(style.ExtensionDelimiters, path, lead);
    std::string result(i > 0 && path[i - 1] == '.' ? path.substr(0, i - 1) : path);
    result.append(extension);
    return result;
}

std::string RotatedName(std::string_view path, const PathStyle& style, const LeadByteSet& lead) {
    std::string rotated = ReplaceExtension(path, "", style, lead);
    const std::string_view extension = path.substr(rotated.size());
    rotated.append(".1").append(extension);
    return rotated;
}

std::string DirectoryPart(std::string_view path, const PathStyle& style, const LeadByteSet& lead) {
    return std::string(path.substr(0, RightmostDelimiter(style.PathDelimiters, path, lead)));
}

std::string FileNamePart(std::string_view path, const PathStyle& style, const LeadByteSet& lead) {
    return std::string(path.substr(RightmostDelimiter(style.PathDelimiters, path, lead)));
}

std::string WithTrailingDelimiter(std::string_view text, const PathStyle& style,
                                  const LeadByteSet& lead) {
    std::string result(text);
    if (text.empty() || text.back() != style.Separator ||
        ByteKindAt(text, text.size(), lead) != ByteKind::Single) {
        result.push_back(style.Separator);
    }
    return result;
}

bool IsRelativePath(std::string_view path, const PathStyle& style) {
    if (path.empty()) return true;
    // Windows takes the slash for a backslash, though its rules of names do not.
    const bool windows = style.Separator == '\\';
    if (path.front() == style.Separator || (windows && path.front() == '/')) return false;
    return !(windows && path.size() >= 2 && path[1] == ':');
}

}  // namespace keeper
