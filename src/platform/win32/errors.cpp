#include "platform/errors.h"

#include <windows.h>

#include "platform/process_text.h"

namespace keeper {

std::string SystemMessage(ErrorCode code) {
    char buffer[256];
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, n);
}

ErrorCode InOutTableCode(ErrorCode code) { return code; }

CodeLocation LocateCode(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCSTR>(address), &module))
        return {};
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    return {FileNamePart(std::string_view(path, n), NativePaths, LeadBytes),
            reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module)};
}

// Of what UnhandledExceptionFilter does, only its test for a debugger is kept: a C++
// error has no exception record for it, and its crash reporting is not wanted here.
bool DebuggerWantsErrors() { return IsDebuggerPresent() != FALSE; }

}  // namespace keeper
