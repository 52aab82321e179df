// Paths too long for the ANSI file functions.
#pragma once

#include <windows.h>

#include <string>

namespace keeper {

/// The text in the ANSI code page as a wide text.
inline std::wstring WideText(const std::string& text) {
    const int n =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

/// The wide form of an absolute path of MAX_PATH bytes or more, with the "\\?\" prefix
/// that lifts the length limit (and "\\?\UNC\" for a share); the empty text for any
/// other path, which the ANSI functions take as it is.
inline std::wstring LongPathForm(const std::string& path) {
    const bool drive = path.size() > 2 && path[1] == ':' && path[2] == '\\';
    const bool share = path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '?';
    if (path.size() < MAX_PATH || !(drive || share)) return {};
    const std::wstring wide = WideText(path);
    return drive ? L"\\\\?\\" + wide : L"\\\\?\\UNC\\" + wide.substr(2);
}

}  // namespace keeper
