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
    // Slot 0 first: when both are signalled, the lower slot wins.
    const HANDLE handles[2] = {reinterpret_cast<HANDLE>(event), reinterpret_cast<HANDLE>(process)};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (result == WAIT_FAILED) {
        error = GetLastError();
        return WaitOutcome::Failed;
    }
    return result == WAIT_OBJECT_0 ? WaitOutcome::StopRequested : WaitOutcome::ProcessEnded;
}

void TakeStopSignals(Handle) {}

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
