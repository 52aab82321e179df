#include "platform/process_text.h"

#include <windows.h>

#include "platform/win32/long_path.h"
#include "text/arguments.h"

namespace keeper {

const PathStyle NativePaths = WindowsPaths;

namespace {

constexpr DWORD PathBufferSize = 261;

/// Calls `fill` with a buffer of 261 bytes, and again with a buffer of the size the
/// call asks for when 261 is too small, so a long path is never cut.
template <typename Fill>
std::string ReadPath(Fill fill) {
    std::string buffer(PathBufferSize, '\0');
    for (;;) {
        const DWORD n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.assign(buffer.size() * 2 > n ? buffer.size() * 2 : n + 1, '\0');
    }
}

}  // namespace

void InitProcessText(int, char**) {
    DoubleByteEnabled = GetSystemMetrics(SM_DBCSENABLED) != 0;
    LeadBytes = LeadByteSet{};
    CPINFO info{};
    if (DoubleByteEnabled && GetCPInfo(CP_ACP, &info))
        LeadBytes = LeadByteSetFromRanges(info.LeadByte);
}

int ArgumentCount() { return CountArguments(GetCommandLineA(), LeadBytes); }

std::string ArgumentAt(int index) {
    if (index != 0) return ArgumentOf(GetCommandLineA(), index, LeadBytes);
    // GetModuleFileNameA fills the whole buffer, cut, when it is too small.
    return ReadPath([](char* buffer, DWORD size) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer, size);
        return n == size ? size : n;
    });
}

std::string CurrentDirectory() {
    return ReadPath([](char* buffer, DWORD size) {
        const DWORD n = GetCurrentDirectoryA(size, buffer);
        return n == 0 ? 0 : n;  // failure gives the empty text
    });
}

std::string UpperCaseCopy(std::string_view text) {
    std::string copy(text);
    if (!copy.empty()) CharUpperBuffA(copy.data(), static_cast<DWORD>(copy.size()));
    return copy;
}

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                          static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace keeper
