// An application for the end-to-end tests of stopping the application with the watcher.
// It appends "<event> <pid>" lines to the file RECORD, so that a test can tell which
// request reached which process and which process ended on its own:
//
//   stop-app close RECORD   ends on the polite request: on Windows a hidden top-level window
//                           that closes on WM_CLOSE (Ctrl+Break is ignored, so that only
//                           the window can end it), on Linux SIGTERM. "started", then
//                           "closed" when the request has ended it.
//   stop-app break RECORD   Windows: a console program without a window that ends on
//                           Ctrl+Break ("break"); on Linux the same as close.
//   stop-app stay RECORD    ignores every polite request and starts a child of itself that
//                           ignores them too: "started" and "child", then "ignored-close",
//                           "ignored-break" or "ignored-term" as requests arrive.
//   stop-app leave RECORD   ends on the polite request as close does, but first starts a
//                           child of itself that ignores every request as stay's does:
//                           "started" and "child", then "closed" and "ignored-...".
//   stop-app exit RECORD    starts a child of itself that ignores every request as stay's
//                           does, and once it has recorded itself ends with exit code 0:
//                           "started", "child".
//   stop-app abandon NAME RECORD  Windows: makes the mutex NAME owned by a thread that then
//                           ends, so that it is abandoned, and keeps it open ("abandoned").
//   stop-app alive PID NAME Windows: exit code 0 when the process PID runs from an
//                           executable of the file name NAME, 1 otherwise (the test's
//                           shell cannot see Windows process identifiers).
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include "app_support.h"

namespace {

const char* recordFile = nullptr;

void Record(const char* event) {
    e2e::AppendLine(recordFile, std::string(event) + " " + std::to_string(e2e::Pid()));
}

#ifdef _WIN32

BOOL WINAPI IgnoreBreak(DWORD event) {
    if (event == CTRL_BREAK_EVENT || event == CTRL_C_EVENT) Record("ignored-break");
    return TRUE;
}

BOOL WINAPI EndOnBreak(DWORD event) {
    if (event != CTRL_BREAK_EVENT) return TRUE;
    Record("break");
    ExitProcess(0);
}

LRESULT CALLBACK CloseOnRequest(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_CLOSE:
            Record("closed");
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, w, l);
    }
}

LRESULT CALLBACK IgnoreClose(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_CLOSE) {
        Record("ignored-close");
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

// Makes the mutex of the name `name` owned by the thread, which then ends: abandoned.
DWORD WINAPI OwnMutex(void* name) {
    return CreateMutexA(nullptr, TRUE, static_cast<const char*>(name)) != nullptr ? 0 : 1;
}

// A top-level window that is never shown, and its message loop until WM_QUIT.
int WindowLoop(WNDPROC procedure) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KeeperStopApp";
    if (!RegisterClassA(&windowClass)) return 3;
    if (!CreateWindowA("KeeperStopApp", "stop-app", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                       nullptr, windowClass.hInstance, nullptr))
        return 3;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

bool StartChild() { return e2e::StartCopy("stay-child \"" + std::string(recordFile) + "\""); }

std::string ImageOf(HANDLE process) {
    char path[MAX_PATH];
    DWORD n = MAX_PATH;
    return QueryFullProcessImageNameA(process, 0, path, &n) ? std::string(path, n) : std::string();
}

// The process PID runs, from an executable of the file name NAME: an identifier given
// again to another process does not count.
int Alive(const char* pid, const char* name) {
    const DWORD id = std::strtoul(pid, nullptr, 10);
    if (id == GetCurrentProcessId()) return 1;  // the identifier was given again, to this check
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process) return 1;
    const std::string image = ImageOf(process);
    const std::size_t slash = image.find_last_of("\\/");
    const bool running =
        WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
        _stricmp(image.substr(slash == std::string::npos ? 0 : slash + 1).c_str(), name) == 0;
    CloseHandle(process);
    return running ? 0 : 1;
}

#else

// Waits for SIGTERM, which stays blocked and is taken with sigwait; returns when it came.
void AwaitTerm() {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    int signal = 0;
    while (sigwait(&term, &signal) != 0) {
    }
}

void BlockTerm() {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, nullptr);
}

#endif

}  // namespace

/// Waits, at most 10 s, until the child has recorded itself, so that it has when the
/// application ends.
bool AwaitChildRecord() {
    for (int tries = 0; tries < 1000; ++tries) {
        if (e2e::CountLines(recordFile, "child ") > 0) return true;
        e2e::Wait(10);
    }
    return false;
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string mode = argv[1];
    recordFile = argv[2];
#ifdef _WIN32
    if (mode == "alive") return argc > 3 ? Alive(argv[2], argv[3]) : 2;
    if (mode == "abandon") {
        if (argc < 4) return 2;
        recordFile = argv[3];
        const HANDLE owner = CreateThread(nullptr, 0, OwnMutex, argv[2], 0, nullptr);
        DWORD made = 1;
        if (owner == nullptr || WaitForSingleObject(owner, INFINITE) != WAIT_OBJECT_0 ||
            !GetExitCodeThread(owner, &made) || made != 0)
            return 3;
        Record("abandoned");
        e2e::Stay();
    }
    if (mode == "leave") {
        SetConsoleCtrlHandler(IgnoreBreak, TRUE);
        Record("started");
        if (!StartChild()) return 3;
        return WindowLoop(CloseOnRequest);
    }
    if (mode == "close") {
        SetConsoleCtrlHandler(IgnoreBreak, TRUE);
        Record("started");
        const int result = WindowLoop(CloseOnRequest);
        return result;
    }
    if (mode == "break") {
        SetConsoleCtrlHandler(EndOnBreak, TRUE);
        Record("started");
        e2e::Stay();
    }
    if (mode == "stay") {
        SetConsoleCtrlHandler(IgnoreBreak, TRUE);
        Record("started");
        if (!StartChild()) return 3;
        return WindowLoop(IgnoreClose);
    }
    if (mode == "exit") {
        Record("started");
        if (!StartChild()) return 3;
        return AwaitChildRecord() ? 0 : 3;
    }
    if (mode == "stay-child") {
        SetConsoleCtrlHandler(IgnoreBreak, TRUE);
        Record("child");
        e2e::Stay();
    }
#else
    BlockTerm();
    if (mode == "close" || mode == "break") {
        Record("started");
        AwaitTerm();
        Record("closed");
        return 0;
    }
    if (mode == "leave") {
        Record("started");
        const pid_t child = fork();
        if (child < 0) return 3;
        if (child == 0) {
            Record("child");
            for (;;) {
                AwaitTerm();
                Record("ignored-term");
            }
        }
        AwaitTerm();
        Record("closed");
        return 0;
    }
    if (mode == "exit") {
        Record("started");
        const pid_t child = fork();
        if (child < 0) return 3;
        if (child > 0) return AwaitChildRecord() ? 0 : 3;
        Record("child");
        for (;;) {
            AwaitTerm();
            Record("ignored-term");
        }
    }
    if (mode == "stay") {
        Record("started");
        const pid_t child = fork();
        if (child < 0) return 3;
        if (child == 0) Record("child");
        for (;;) {
            AwaitTerm();
            Record("ignored-term");
        }
    }
#endif
    return 2;
}
