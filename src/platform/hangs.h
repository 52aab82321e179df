// What the watcher sees of an application that hangs: its windows (Windows), and the
// datagrams of the service manager's notification protocol (Linux).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace keeper {

/// True when a visible top-level window of process `id` does not answer: WM_NULL sent with
/// SendMessageTimeoutA and SMTO_ABORTIFHUNG fails, or IsHungAppWindow says so. False when
/// every one answers, and for a process without a visible window.
/// Note: Linux has no windows: always false.
bool WindowNotAnswering(std::uint32_t id);

/// The receiving end of the notification protocol: a datagram socket, and its address for
/// the application's NOTIFY_SOCKET.
struct NotifyChannel {
    Handle Socket = NoHandle;  ///< none when it could not be made, and always on Windows
    std::string Address;       ///< "@" and the socket's abstract name: no file, any user's
    ErrorCode Error = 0;
};

/// Makes the channel of the instance `name`, with the senders' credentials passed along, at
/// the address recorded beside the instance event by the watcher before, else (none, or
/// taken) at a name the kernel picks, then recorded. It is gone with its last holder.
/// Note: Windows has no such protocol: no channel, and no error.
NotifyChannel OpenNotifyChannel(const std::string& name);

/// One datagram of the notification protocol, and who sent it.
struct Notification {
    std::string Text;
    std::uint32_t Sender = 0;   ///< the sender's process identifier; 0 when unknown
    std::uint32_t Session = 0;  ///< the sender's session, as SessionOf gave it on reading
};

/// Reads one waiting datagram without blocking, and at once the session of its sender.
/// False when none is waiting. Descriptors sent along are closed unread.
/// Note: Windows: always false.
bool ReadNotification(Handle socket, Notification& notification);

/// The datagrams read at one time: a sender that floods the socket holds up neither a stop
/// request nor the end, which the wait sees first once it is back.
constexpr int NotificationBatch = 16;

/// Reads up to NotificationBatch waiting datagrams and drops them, so that no sender blocks
/// while nothing watches for hangs.
/// Note: Windows: does nothing.
void DropNotifications(Handle socket);

/// The session of process `id` (the identifier of the session's leader); 0 when unknown:
/// `id` 0, or a process that has ended and been reaped.
/// Note: Windows has no such sessions: always 0.
std::uint32_t SessionOf(std::uint32_t id);

}  // namespace keeper
