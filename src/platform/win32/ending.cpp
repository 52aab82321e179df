#include "platform/ending.h"

#include <windows.h>

#include <string_view>

#include "platform/process_text.h"

namespace keeper {
namespace {

HANDLE Native(Handle handle) { return reinterpret_cast<HANDLE>(handle); }

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM id) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(id)) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL WINAPI TakeConsoleEvent(DWORD) { return TRUE; }

/// Whether process `id` is the host of a console program's window (conhost.exe), which the
/// system puts into the program's job: no process the program started.
bool IsConsoleHost(DWORD id) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) return false;
    char path[MAX_PATH];
    DWORD size = sizeof path;
    const bool named = QueryFullProcessImageNameA(process, 0, path, &size) != FALSE;
    CloseHandle(process);
    return named &&
           SameTextIgnoreCase(FileNamePart(std::string_view(path, size), NativePaths, LeadBytes),
                              "conhost.exe");
}

}  // namespace

void AskToEnd(const Watched& watched) {
    EnumWindows(CloseWindowOf, static_cast<LPARAM>(watched.Id));
    if (!watched.Launched) return;
    // Ctrl+Break reaches the processes of a console; keeper has none of its own, so it
    // joins the application's for the moment. A process launched with
    // CREATE_NEW_PROCESS_GROUP ignores Ctrl+C, not Ctrl+Break; the null handler would
    // ignore Ctrl+C alone, so keeper's own handler takes every event, or the default one
    // would end keeper.
    if (!AttachConsole(watched.Id)) return;
    SetConsoleCtrlHandler(TakeConsoleEvent, TRUE);
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, watched.Id);
    FreeConsole();
}

void EndByForce(const Watched& watched) {
    if (watched.Group != NoHandle && TerminateJobObject(Native(watched.Group), 1)) return;
    if (TerminateProcess(Native(watched.Process), 1)) return;
    // An adopted process was opened without the right to end it, which it need not grant
    // to be watched. Its identifier cannot pass to another process while keeper holds its
    // handle, so it is opened again by that identifier for the end alone.
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, watched.Id);
    if (process == nullptr) return;
    TerminateProcess(process, 1);
    CloseHandle(process);
}

void EndWhatIsLeft(const Watched& watched) {
    if (watched.Group != NoHandle) TerminateJobObject(Native(watched.Group), 1);
}

std::uint32_t CountWhatIsLeft(const Watched& watched) {
    // The processes of the job but the application itself, which the job may count for a
    // moment after its end.
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST List;
        ULONG_PTR More[63];
    } job{};
    job.List.NumberOfAssignedProcesses = 64;
    if (watched.Group == NoHandle ||
        (!QueryInformationJobObject(Native(watched.Group), JobObjectBasicProcessIdList, &job,
                                    sizeof job, nullptr) &&
         GetLastError() != ERROR_MORE_DATA))
        return 0;
    std::uint32_t left = job.List.NumberOfAssignedProcesses;
    for (DWORD i = 0; i < job.List.NumberOfProcessIdsInList; ++i) {
        const auto id = static_cast<DWORD>(job.List.ProcessIdList[i]);
        if (id == watched.Id || IsConsoleHost(id)) --left;
    }
    return left;
}

void CloseGroup(Handle group) {
    if (group != NoHandle) CloseHandle(Native(group));
}

}  // namespace keeper
