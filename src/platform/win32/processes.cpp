#include "platform/processes.h"

#include <windows.h>
#include <winternl.h>

#include <string_view>

#include "platform/process_text.h"
#include "platform/win32/environment_block.h"
#include "text/argument_list.h"

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

Result<std::vector<std::uint32_t>> ListProcessIds() {
    DWORD list[MaxListedProcesses];
    DWORD bytes = 0;
    if (!LoadProcessStatusLibrary() || Psapi.EnumProcesses == nullptr ||
        !Psapi.EnumProcesses(list, sizeof list, &bytes))
        return {{}, GetLastError()};
    return {std::vector<std::uint32_t>(list, list + bytes / sizeof(DWORD)), 0};
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

using NtQueryInformationProcessFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG,
                                                     PULONG);

/// ProcessCommandLineInformation (Windows 8.1 and later): the command line as a
/// UNICODE_STRING followed by its text, for a process of either bitness.
constexpr auto ProcessCommandLine = static_cast<PROCESSINFOCLASS>(60);

/// Reads `size` bytes at `address` of `process`, all of them or none.
bool ReadMemory(HANDLE process, const void* address, void* buffer, SIZE_T size) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

/// The command line of `process` as it is kept in its environment block; false when it
/// cannot be read.
bool CommandLineOf(HANDLE process, std::wstring& line) {
    // ntdll is in every process; its entry point is looked up once.
    static const auto query = reinterpret_cast<NtQueryInformationProcessFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr) return false;
    BOOL ownWow64 = FALSE;
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &ownWow64) || !IsWow64Process(process, &wow64))
        return false;
    if (ownWow64) {
        // A 32-bit keeper on 64-bit Windows cannot read a 64-bit process's block; Windows
        // 8.1 and later copy out the line of either bitness.
        std::vector<ULONG_PTR> buffer((sizeof(UNICODE_STRING) + 65536) / sizeof(ULONG_PTR));
        const auto size = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        if (query(process, ProcessCommandLine, buffer.data(), size, nullptr) >= 0) {
            const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            line.assign(text->Buffer, text->Length / sizeof(WCHAR));
            return true;
        }
        if (!wow64) return false;  // earlier Windows: the 64-bit block is out of reach
    }
    // The block of a process of keeper's own bitness, where a 64-bit process also keeps
    // the line of a 32-bit one: the process parameters that the PEB points to.
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0 ||
        !ReadMemory(process, basic.PebBaseAddress, &peb, sizeof peb) ||
        !ReadMemory(process, peb.ProcessParameters, &parameters, sizeof parameters))
        return false;
    line.resize(parameters.CommandLine.Length / sizeof(WCHAR));
    return ReadMemory(process, parameters.CommandLine.Buffer, line.data(),
                      line.size() * sizeof(WCHAR));
}

/// The arguments of `process` after its program, by the argument rules on the command line
/// in the ANSI code page; false when the line cannot be read, or holds a character that the
/// code page lacks.
bool ArgumentsOf(HANDLE process, std::vector<std::string>& arguments) {
    std::wstring wide;
    if (!CommandLineOf(process, wide) || wide.empty()) return false;
    const int length = static_cast<int>(wide.size());
    // UTF-8 as the ANSI code page has no default character to tell of.
    BOOL lacking = FALSE;
    BOOL* const lacks = GetACP() == CP_UTF8 ? nullptr : &lacking;
    std::string line(
        WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr), '\0');
    if (line.empty() ||
        WideCharToMultiByte(CP_ACP, 0, wide.data(), length, line.data(),
                            static_cast<int>(line.size()), nullptr, lacks) == 0 ||
        lacking)
        return false;
    arguments = ArgumentList(line, LeadBytes, 1);
    return true;
}

}  // namespace

ModuleQuery PrepareModuleQuery(const std::string& moduleName, const std::string&) {
    return {moduleName, {}, {}, {}};
}

Handle OpenProcessOfModule(std::uint32_t id, const ModuleQuery& query) {
    // Enough to read the module list and name, and to wait for the end.
    constexpr DWORD access = SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
    const HANDLE process = OpenProcess(access, FALSE, id);
    if (process == nullptr) return NoHandle;  // ended meanwhile, or not ours to inspect
    std::string name;
    std::vector<std::string> arguments;
    if ((FirstModuleName(process, name) || ImageFileName(process, name)) &&
        SameTextIgnoreCase(name, query.ModuleName) &&
        (!query.Arguments || (ArgumentsOf(process, arguments) && arguments == *query.Arguments)))
        return reinterpret_cast<Handle>(process);
    CloseHandle(process);
    return NoHandle;
}

bool ReadArguments(Handle process, std::uint32_t, const ModuleQuery&,
                   std::vector<std::string>& arguments) {
    return ArgumentsOf(HandleOf(process), arguments);
}

ExitStatus CloseProcess(Handle process) {
    ExitStatus status;
    DWORD code = 0;
    if (GetExitCodeProcess(HandleOf(process), &code)) status = {ExitStatus::Exited, code};
    CloseHandle(HandleOf(process));
    return status;
}

std::string SignalName(std::uint32_t) { return {}; }

namespace {

WORD ShowValue(WindowState window) {
    switch (window) {
        case WindowState::Hidden:
            return SW_HIDE;
        case WindowState::Minimized:
            return SW_SHOWMINNOACTIVE;
        case WindowState::Maximized:
            return SW_SHOWMAXIMIZED;
        case WindowState::Default:
        case WindowState::Normal:
            break;
    }
    return SW_SHOWNORMAL;
}

/// The handles a launch with an output file hands down: the file for standard output and
/// error, the NUL device for standard input, and the attribute list that makes them the
/// only handles the program inherits. Everything is closed with the record, right after
/// the launch.
class Redirection {
public:
    Redirection() = default;
    Redirection(const Redirection&) = delete;
    Redirection& operator=(const Redirection&) = delete;
    ~Redirection() {
        if (attributes_ != nullptr) DeleteProcThreadAttributeList(attributes_);
        if (input_ != INVALID_HANDLE_VALUE) CloseHandle(input_);
        if (output_ != INVALID_HANDLE_VALUE) CloseHandle(output_);
    }

    /// Opens the file to append to and sets `startup` up for it; false (with the last
    /// error) when the file or the device cannot be opened.
    bool Prepare(const std::string& file, STARTUPINFOEXA& startup) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        // Appends whatever the program's runtime does with the file position; the file
        // may be read, and renamed when it is rotated, by others meanwhile.
        output_ = CreateFileA(file.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output_ == INVALID_HANDLE_VALUE) return false;
        input_ = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (input_ == INVALID_HANDLE_VALUE) return false;
        handles_[0] = output_;
        handles_[1] = input_;
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
        attributes_ = list;
        if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                       sizeof handles_, nullptr, nullptr))
            return false;
        startup.lpAttributeList = list;
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = input_;
        startup.StartupInfo.hStdOutput = output_;
        startup.StartupInfo.hStdError = output_;
        return true;
    }

private:
    HANDLE output_ = INVALID_HANDLE_VALUE;
    HANDLE input_ = INVALID_HANDLE_VALUE;
    HANDLE handles_[2] = {};
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST attributes_ = nullptr;
};

}  // namespace

std::string ProgramPathOf(const std::string& commandLine) {
    const std::vector<std::string> words = ArgumentList(commandLine, LeadBytes);
    if (words.empty()) return {};
    char found[MAX_PATH];
    const DWORD n = SearchPathA(nullptr, words[0].c_str(), ".exe", sizeof found, found, nullptr);
    return n > 0 && n < sizeof found ? std::string(found, n) : std::string();
}

Launch LaunchProcess(const LaunchOptions& options) {
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    startup.StartupInfo.wShowWindow = SW_SHOWNORMAL;  // not selected by a flag, by default
    DWORD flags = 0;
    if (options.Window != WindowState::Default) {
        startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
        startup.StartupInfo.wShowWindow = ShowValue(options.Window);
        // A console program would still get a console window of its own.
        if (options.Window == WindowState::Hidden) flags |= CREATE_NO_WINDOW;
    }
    Redirection redirection;
    const bool redirected = !options.OutputFile.empty();
    if (redirected) {
        if (!redirection.Prepare(options.OutputFile, startup))
            return {NoHandle, 0, GetLastError(), LaunchPart::OutputFile};
        startup.StartupInfo.cb = sizeof startup;
        flags |= EXTENDED_STARTUPINFO_PRESENT | CREATE_NO_WINDOW;
    }
    const bool changed = !options.EnvironmentChanges.empty();
    std::vector<wchar_t> environment;
    if (changed) {
        wchar_t* const own = GetEnvironmentStringsW();
        environment = EnvironmentBlock(own, options.EnvironmentChanges);
        if (own != nullptr) FreeEnvironmentStringsW(own);
        flags |= CREATE_UNICODE_ENVIRONMENT;
    }
    if (options.ConsoleGroup) flags |= CREATE_NEW_PROCESS_GROUP;
    // The job of a group is assigned before the program runs, so that nothing it starts
    // escapes the job.
    if (options.OwnGroup) flags |= CREATE_SUSPENDED;
    PROCESS_INFORMATION created{};
    std::string line = options.CommandLine;  // CreateProcessA may write to the command line
    if (!CreateProcessA(
            nullptr, line.data(), nullptr, nullptr, redirected ? TRUE : FALSE, flags,
            changed ? environment.data() : nullptr,
            options.WorkingDirectory.empty() ? nullptr : options.WorkingDirectory.c_str(),
            &startup.StartupInfo, &created)) {
        const DWORD error = GetLastError();
        // A folder that is missing fails the launch as a program that is; it is the cause
        // when there is one.
        const DWORD folder = options.WorkingDirectory.empty()
                                 ? FILE_ATTRIBUTE_DIRECTORY
                                 : GetFileAttributesA(options.WorkingDirectory.c_str());
        const bool enterable =
            folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return {NoHandle, 0, error, enterable ? LaunchPart::Program : LaunchPart::WorkingDirectory};
    }
    Launch launch{reinterpret_cast<Handle>(created.hProcess), created.dwProcessId, 0};
    if (options.OwnGroup) {
        // A job that cannot be made or joined leaves the process to be ended alone.
        const HANDLE job = CreateJobObjectA(nullptr, nullptr);
        if (job == nullptr) {
            launch.GroupError = GetLastError();
            launch.GroupCall = "CreateJobObject";
        } else if (!AssignProcessToJobObject(job, created.hProcess)) {
            launch.GroupError = GetLastError();
            launch.GroupCall = "AssignProcessToJobObject";
            CloseHandle(job);
        } else {
            launch.Group = reinterpret_cast<Handle>(job);
        }
        ResumeThread(created.hThread);
    }
    CloseHandle(created.hThread);
    return launch;
}

}  // namespace keeper
