#include "platform/processes.h"

#include <windows.h>

#include "platform/process_text.h"

namespace keeper {
namespace {

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleBaseNameAFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

/// The process-status library, loaded on first use and kept until exit.
struct ProcessStatusLibrary {
    HMODULE Module = nullptr;
    EnumProcessesFn EnumProcesses = nullptr;
    EnumProcessModulesFn EnumProcessModules = nullptr;
    GetModuleBaseNameAFn GetModuleBaseNameA = nullptr;
} Psapi;

template <typename Fn>
Fn EntryPoint(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Psapi.Module, name)));
}

bool LoadProcessStatusLibrary() {
    if (Psapi.Module != nullptr) return true;
    const HMODULE module = LoadLibraryA("PSAPI.dll");
    // A handle below 32 is an old-style failure code, never a module.
    if (reinterpret_cast<std::uintptr_t>(module) < 32) return false;
    Psapi.Module = module;
    Psapi.EnumProcesses = EntryPoint<EnumProcessesFn>("EnumProcesses");
    Psapi.EnumProcessModules = EntryPoint<EnumProcessModulesFn>("EnumProcessModules");
    Psapi.GetModuleBaseNameA = EntryPoint<GetModuleBaseNameAFn>("GetModuleBaseNameA");
    return true;
}

HANDLE HandleOf(Handle process) { return reinterpret_cast<HANDLE>(process); }

}  // namespace

bool ListProcessIds(std::vector<std::uint32_t>& ids, ErrorCode& error) {
    ids.clear();
    DWORD list[MaxListedProcesses];
    DWORD bytes = 0;
    if (!LoadProcessStatusLibrary() || Psapi.EnumProcesses == nullptr ||
        !Psapi.EnumProcesses(list, sizeof list, &bytes)) {
        error = GetLastError();
        return false;
    }
    ids.assign(list, list + bytes / sizeof(DWORD));
    return true;
}

namespace {

/// The base name of the first module: the executable, for a process of our bitness.
bool FirstModuleName(HANDLE process, std::string& name) {
    SetLastError(0);
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (!LoadProcessStatusLibrary() || Psapi.EnumProcessModules == nullptr ||
        Psapi.GetModuleBaseNameA == nullptr ||
        !Psapi.EnumProcessModules(process, &first, sizeof first, &needed))
        return false;
    char buffer[257];
    const DWORD n = Psapi.GetModuleBaseNameA(process, first, buffer, sizeof buffer);
    if (n == 0) return false;
    name.assign(buffer, n);
    return true;
}

/// The file name of the process image; works across bitness, where a 32-bit process
/// cannot read a 64-bit one's module list.
bool ImageFileName(HANDLE process, std::string& name) {
    char buffer[MAX_PATH * 4];
    DWORD size = sizeof buffer;
    if (!QueryFullProcessImageNameA(process, 0, buffer, &size)) return false;
    name = FileNamePart(std::string_view(buffer, size), NativePaths, LeadBytes);
    return !name.empty();
}

}  // namespace

ModuleQuery PrepareModuleQuery(const std::string& moduleName, const std::string&) {
    return {moduleName, {}};
}

Handle OpenProcessOfModule(std::uint32_t id, const ModuleQuery& query) {
    // Enough to read the module list and name, and to wait for the end.
    constexpr DWORD access = SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
    const HANDLE process = OpenProcess(access, FALSE, id);
    if (process == nullptr) return NoHandle;  // ended meanwhile, or not ours to inspect
    std::string name;
    if ((FirstModuleName(process, name) || ImageFileName(process, name)) &&
        SameTextIgnoreCase(name, query.ModuleName))
        return reinterpret_cast<Handle>(process);
    CloseHandle(process);
    return NoHandle;
}

void CloseProcess(Handle process) { CloseHandle(HandleOf(process)); }

Launch LaunchProcess(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.wShowWindow = SW_SHOWNORMAL;  // not selected by a flag, as the caller gave it
    PROCESS_INFORMATION created{};
    std::string line = commandLine;  // CreateProcessA may write to the command line
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &created))
        return {NoHandle, GetLastError()};
    CloseHandle(created.hThread);
    return {reinterpret_cast<Handle>(created.hProcess), 0};
}

}  // namespace keeper
