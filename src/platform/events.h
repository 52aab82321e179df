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
/// process holds it open and locked, and dies with the last holder, even on kill -9. The
/// caller that sees it new marks it as its own before any other can open it.
InstanceEvent CreateInstanceEvent(const std::string& name);

/// Signals the event: one waiter is released, or the signal stays pending for the next.
/// Returns false on failure.
bool SignalEvent(Handle event);

enum class WaitOutcome { StopRequested, ProcessEnded, Failed, TimedOut, Notified };

/// Blocks until the event is signalled (consuming the signal) or the process has ended;
/// when both hold, the event wins. Failed leaves the reason in `error`.
/// Note: Linux waits with poll on the FIFO and a pidfd.
WaitOutcome WaitForStopOrExit(Handle event, Handle process, ErrorCode& error);

/// As WaitForStopOrExit, and also ends after `milliseconds` (TimedOut; with `timed`), or
/// when `notify` (none for no such wait) has a datagram to read (Notified): still one wait.
/// Windows: WaitForMultipleObjects with the time-out; `notify` is always none there.
/// Note: Linux polls the notification socket with the FIFO and the pidfd.
WaitOutcome WaitForStopExitOrTime(Handle event, Handle process, Handle notify, bool timed,
                                  std::uint32_t milliseconds, ErrorCode& error);

/// Makes the platform's requests to end the program stop requests through `event`, as
/// a stopper's signal is, so that the watcher sees them in its wait.
/// Note: Linux: SIGTERM and SIGINT signal the event, and SIGHUP is ignored (keeper has no
/// terminal to lose); a launched application gets the default dispositions and mask.
/// Windows: nothing to do.
void TakeStopSignals(Handle event);

/// Pauses the thread for `milliseconds`; a signal to the event stays pending meanwhile.
void Pause(std::uint32_t milliseconds);

/// Marks this process, the watcher of the instance event `name`, for stoppers that wait
/// for its end; the mark lives until the process exits (Windows: a named mutex, owned;
/// one that exists already, left by a process that is gone, is waited for and taken over).
/// Note: Linux needs no call: CreateInstanceEvent made the mark with the name, a FIFO that
/// the process holds open for writing until it exits.
void HoldWatcherMark(const std::string& name);

/// Waits, as a stopper that has signalled the event `name`, at most `milliseconds` for the
/// watcher to end: true when it has ended (or left no mark to wait for), false when it
/// still runs then or the wait failed. Any number of stoppers may wait at once.
/// Windows: WaitForSingleObject on the watcher's mark, released again once taken.
/// Note: Linux polls the mark's FIFO for its hang-up, in any PID namespace.
bool WaitForWatcherEnd(Handle event, const std::string& name, std::uint32_t milliseconds);

enum class PauseOutcome { Elapsed, StopRequested, Failed };

/// Pauses for `milliseconds` unless the event is signalled first (consuming the signal):
/// one wait with a time-out. Failed leaves the reason in `error`.
/// Note: Linux polls the FIFO with the time-out.
PauseOutcome PauseUnlessSignalled(Handle event, std::uint32_t milliseconds, ErrorCode& error);

}  // namespace keeper
