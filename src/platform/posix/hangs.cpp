#include "platform/hangs.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/posix/descriptors.h"
#include "platform/posix/event_errors.h"

namespace keeper {
namespace {

/// The file of the channel this process has bound, removed at its exit; empty for none.
char BoundPath[sizeof(sockaddr_un::sun_path)];

void RemoveBoundPath() {
    if (BoundPath[0] != '\0') unlink(BoundPath);
}

}  // namespace

bool WindowNotAnswering(std::uint32_t) { return false; }

NotifyChannel OpenNotifyChannel(const std::string& name) {
    NotifyChannel channel;
    channel.Path = EventNameSpace() + "/" + name + ".notify";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (channel.Path.size() >= sizeof address.sun_path) {
        channel.Error = ENAMETOOLONG;
        return channel;
    }
    std::memcpy(address.sun_path, channel.Path.c_str(), channel.Path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const int on = 1;
    // The instance name is this watcher's alone, and with it the old channel's place: a
    // watcher that was killed left its file behind.
    unlink(channel.Path.c_str());
    const bool bound =
        fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (bound) {
        // An application that outlives the watcher then finds no socket instead of one that
        // nobody reads, until the next watcher of the name makes it again.
        if (BoundPath[0] == '\0') std::atexit(RemoveBoundPath);
        std::memcpy(BoundPath, address.sun_path, sizeof BoundPath);
    }
    if (!bound || setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
        channel.Error = static_cast<ErrorCode>(errno);
        if (fd >= 0) close(fd);
        return channel;
    }
    channel.Socket = HandleOf(fd);
    return channel;
}

bool ReadNotification(Handle socket, Notification& notification) {
    char data[4096];
    iovec part{data, sizeof data};
    // Room for the credentials alone: descriptors sent along (the barrier of sd_notify)
    // do not fit, and the kernel closes them, which is what their sender waits for.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n;
    do {
        n = recvmsg(FdOf(socket), &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return false;
    notification.Text.assign(data, static_cast<std::size_t>(n));
    notification.Sender = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS) {
            ucred credentials{};
            std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
            notification.Sender = static_cast<std::uint32_t>(credentials.pid);
        }
    }
    // Now, while a sender that is still sending or waiting for its barrier surely runs.
    notification.Session = SessionOf(notification.Sender);
    return true;
}

void DropNotifications(Handle socket) {
    Notification dropped;
    for (int n = 0; n < NotificationBatch && ReadNotification(socket, dropped); ++n) {
    }
}

std::uint32_t SessionOf(std::uint32_t id) {
    // getsid(0) would be keeper's own session.
    const pid_t session = id != 0 ? getsid(static_cast<pid_t>(id)) : -1;
    return session > 0 ? static_cast<std::uint32_t>(session) : 0;
}

}  // namespace keeper
