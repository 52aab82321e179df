// The named instance event: one watcher per name, and the stop request between invocations.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace keeper {

struct InstanceEvent {
    Handle Event = NoHandle;  ///< none when creation failed
    bool Existed = false;     ///< the name was held by another process before this call
    ErrorCode Error = 0;      ///< why creation failed
};

/// Creates or opens the auto-reset event `name` of this user's session, not signalled
/// when new. Exactly one of several racing callers sees the name as new.
/// Note: Linux keeps a FIFO under a 0700 directory of the user; the name lives while a
/// process holds it open and locked, and dies with the last holder, even on kill -9.
InstanceEvent CreateInstanceEvent(const std::string& name);

/// Signals the event: one waiter is released, or the signal stays pending for the next.
/// Returns false on failure.
bool SignalEvent(Handle event);

enum class WaitOutcome { StopRequested, ProcessEnded, Failed };

/// Blocks until the event is signalled (consuming the signal) or the process has ended;
/// when both hold, the event wins. Failed leaves the reason in `error`.
/// Note: Linux waits with poll on the FIFO and a pidfd.
WaitOutcome WaitForStopOrExit(Handle event, Handle process, ErrorCode& error);

/// Makes the platform's requests to end the program stop requests through `event`, as
/// a stopper's signal is, so that the watcher sees them in its wait.
/// Note: Linux: SIGTERM and SIGINT signal the event, and SIGHUP is ignored (keeper has no
/// terminal to lose); a launched application gets the default dispositions and mask.
/// Windows: nothing to do.
void TakeStopSignals(Handle event);

/// Pauses the thread for `milliseconds`; a signal to the event stays pending meanwhile.
void Pause(std::uint32_t milliseconds);

enum class PauseOutcome { Elapsed, StopRequested, Failed };

/// Pauses for `milliseconds` unless the event is signalled first (consuming the signal):
/// one wait with a time-out. Failed leaves the reason in `error`.
/// Note: Linux polls the FIFO with the time-out.
PauseOutcome PauseUnlessSignalled(Handle event, std::uint32_t milliseconds, ErrorCode& error);

}  // namespace keeper
