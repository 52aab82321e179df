#include "platform/events.h"

#include <windows.h>

namespace keeper {

InstanceEvent CreateInstanceEvent(const std::string& name) {
    // No namespace prefix: the name lives in the session's namespace, compared exactly.
    const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, name.c_str());
    const DWORD error = GetLastError();
    if (event == nullptr) return {NoHandle, false, error};
    return {reinterpret_cast<Handle>(event), error == ERROR_ALREADY_EXISTS, 0};
}

bool SignalEvent(Handle event) { return SetEvent(reinterpret_cast<HANDLE>(event)) != FALSE; }

WaitOutcome WaitForStopOrExit(Handle event, Handle process, ErrorCode& error) {
    return WaitForStopExitOrTime(event, process, NoHandle, false, 0, error);
}

WaitOutcome WaitForStopExitOrTime(Handle event, Handle process, Handle, bool timed,
                                  std::uint32_t milliseconds, ErrorCode& error) {
    const HANDLE handles[2] = {reinterpret_cast<HANDLE>(event), reinterpret_cast<HANDLE>(process)};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, timed ? milliseconds : INFINITE);
    switch (result) {
        case WAIT_OBJECT_0:
            return WaitOutcome::StopRequested;
        case WAIT_OBJECT_0 + 1:
            return WaitOutcome::ProcessEnded;
        case WAIT_TIMEOUT:
            return WaitOutcome::TimedOut;
        default:
            error = GetLastError();
            return WaitOutcome::Failed;
    }
}

void TakeStopSignals(Handle) {}

namespace {

/// The name of the watcher's mark: a colon, which no file name holds, keeps it apart from
/// the event of another module.
std::string MarkName(const std::string& name) { return name + ":watcher"; }

}  // namespace

void HoldWatcherMark(const std::string& name) {
    // Owned and never released: the system abandons it when the watcher exits, however.
    const HANDLE mark = CreateMutexA(nullptr, TRUE, MarkName(name).c_str());
    // A mark that exists already is not owned by this call: a watcher that is gone left it
    // abandoned while a stopper still held it open, or a stopper holds it for a moment. It
    // is taken over, or stoppers would take it at once for the watcher's end.
    if (mark != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) WaitForSingleObject(mark, 10000);
}

bool WaitForWatcherEnd(Handle, const std::string& name, std::uint32_t milliseconds) {
    const HANDLE mark = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, MarkName(name).c_str());
    if (mark == nullptr) return GetLastError() == ERROR_FILE_NOT_FOUND;  // no watcher holds one
    const DWORD result = WaitForSingleObject(mark, milliseconds);
    // Abandoned by the watcher's end, or released by a stopper before: a failed wait is no end.
    const bool ended = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    if (ended) ReleaseMutex(mark);  // for the next stopper that waits
    CloseHandle(mark);
    return ended;
}

void Pause(std::uint32_t milliseconds) { Sleep(milliseconds); }

PauseOutcome PauseUnlessSignalled(Handle event, std::uint32_t milliseconds, ErrorCode& error) {
    switch (WaitForSingleObject(reinterpret_cast<HANDLE>(event), milliseconds)) {
        case WAIT_OBJECT_0:
            return PauseOutcome::StopRequested;
        case WAIT_TIMEOUT:
            return PauseOutcome::Elapsed;
        default:
            error = GetLastError();
            return PauseOutcome::Failed;
    }
}

}  // namespace keeper
