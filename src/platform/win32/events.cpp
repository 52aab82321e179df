#include "platform/events.h"

#include <windows.h>

#include <algorithm>

namespace keeper {

InstanceEvent CreateInstanceEvent(const std::string& name) {
    // No namespace prefix: the name lives in the session's namespace, compared exactly.
    const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, name.c_str());
    const DWORD error = GetLastError();
    if (event == nullptr) return {NoHandle, false, error};
    return {reinterpret_cast<Handle>(event), error == ERROR_ALREADY_EXISTS, 0};
}

bool SignalEvent(Handle event) { return SetEvent(reinterpret_cast<HANDLE>(event)) != FALSE; }

Result<WaitOutcome> Wait(const Waited& what, std::uint64_t deadline) {
    HANDLE handles[2];
    WaitOutcome outcomes[2];
    DWORD count = 0;
    if (what.Event != NoHandle) {
        handles[count] = reinterpret_cast<HANDLE>(what.Event);
        outcomes[count++] = WaitOutcome::StopRequested;
    }
    if (what.Process != NoHandle) {
        handles[count] = reinterpret_cast<HANDLE>(what.Process);
        outcomes[count++] = WaitOutcome::ProcessEnded;
    }
    DWORD milliseconds = INFINITE;
    if (deadline != NoDeadline) {
        const std::uint64_t now = MonotonicMilliseconds();
        milliseconds =
            now >= deadline
                ? 0
                : static_cast<DWORD>(std::min<std::uint64_t>(deadline - now, INFINITE - 1));
    }
    if (count == 0) {
        Sleep(milliseconds);
        return {WaitOutcome::TimedOut, 0};
    }
    // The lower slot wins when both are signalled.
    const DWORD result = WaitForMultipleObjects(count, handles, FALSE, milliseconds);
    if (result < WAIT_OBJECT_0 + count) return {outcomes[result - WAIT_OBJECT_0], 0};
    if (result == WAIT_TIMEOUT) return {WaitOutcome::TimedOut, 0};
    return {WaitOutcome::Failed, GetLastError()};
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

}  // namespace keeper
