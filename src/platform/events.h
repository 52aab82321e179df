// The named instance event: one watcher per name, and the stop request between invocations.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock_memory.h"
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

/// What one wait watches; a handle of none is not watched.
struct Waited {
    Handle Event = NoHandle;    ///< the instance event: its signal ends the wait, consumed
    Handle Process = NoHandle;  ///< a process: its end ends the wait
    /// The notification socket: a datagram ends the wait (Notified), unread, with
    /// `EndOnDatagram`; without it the datagrams are read and dropped as the wait goes on,
    /// so that no sender blocks.
    Handle Notify = NoHandle;
    bool EndOnDatagram = false;
};

/// A deadline that never comes: the wait lasts until what it watches ends it.
inline constexpr std::uint64_t NoDeadline = UINT64_MAX;

/// keeper's one wait: blocks until the event is signalled (StopRequested), the process has
/// ended (ProcessEnded), a datagram waits (Notified) or the monotonic clock
/// (MonotonicMilliseconds) reaches `deadline` (TimedOut); of several at once, the first in
/// that order. Failed comes with the error. With nothing to watch it is a pause until the
/// deadline. Nothing polls: the deadline is the wait's time-out.
/// Windows: WaitForMultipleObjects on the event and the process, in that order (Sleep with
/// neither); Notify is always none there.
/// Note: Linux polls the event's FIFO, the process's pidfd and the socket.
Result<WaitOutcome> Wait(const Waited& what, std::uint64_t deadline);

/// Pauses the thread for `milliseconds`: the wait with nothing to watch. A signal to the
/// event stays pending meanwhile.
inline void Pause(std::uint32_t milliseconds) {
    static_cast<void>(Wait({}, MonotonicMilliseconds() + milliseconds));
}

/// Makes the platform's requests to end the program stop requests through `event`, as
/// a stopper's signal is, so that the watcher sees them in its wait.
/// Note: Linux: SIGTERM and SIGINT signal the event, and SIGHUP is ignored (keeper has no
/// terminal to lose); a launched application gets the default dispositions and mask.
/// Windows: nothing to do.
void TakeStopSignals(Handle event);

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

}  // namespace keeper
