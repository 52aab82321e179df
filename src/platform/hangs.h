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

/// The receiving end of the notification protocol: a datagram socket, and its path for
/// the application's NOTIFY_SOCKET.
struct NotifyChannel {
    Handle Socket = NoHandle;  ///< none when it could not be made, and always on Windows
    std::string Path;
    ErrorCode Error = 0;
};

/// Makes the channel of the instance `name`, beside the instance event, taking the place
/// of an old one, with the senders' credentials passed along.
/// Note: Windows has no such protocol: no channel, and no error.
NotifyChannel OpenNotifyChannel(const std::string& name);

/// Reads one waiting datagram without blocking: its text and the process identifier of its
/// sender (0 when unknown). False when none is waiting.
/// Note: Windows: always false.
bool ReadNotification(Handle socket, std::string& text, std::uint32_t& sender);

}  // namespace keeper
