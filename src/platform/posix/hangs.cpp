#include "platform/hangs.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/posix/descriptors.h"
#include "platform/posix/event_errors.h"

namespace keeper {
namespace {

/// The file beside the instance event that keeps the channel's address for the next
/// watcher of the name.
std::string RecordName(const std::string& name) { return name + ".notify"; }

/// The address recorded in the namespace `dir` for the instance `name`: "@" and an abstract
/// name that fits a socket address; empty without one.
std::string RecordedAddress(int dir, const std::string& name) {
    char text[sizeof(sockaddr_un::sun_path) + 1];
    // Not blocking: a FIFO in its place must not hold the watcher up.
    const int fd =
        openat(dir, RecordName(name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    const ssize_t n = read(fd, text, sizeof text);
    close(fd);
    const auto length = static_cast<std::size_t>(n);
    if (n < 2 || length > sizeof(sockaddr_un::sun_path) || text[0] != '@' ||
        std::memchr(text, '\0', length) != nullptr)
        return {};
    return std::string(text, length);
}

/// Makes `address` the record of the instance `name` in `dir`, in place of the one before
/// at once, so that a watcher killed meanwhile leaves one or the other.
void RecordAddress(int dir, const std::string& name, const std::string& address) {
    const std::string record = RecordName(name);
    const std::string part = record + ".new";
    const int fd =
        openat(dir, part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const bool written =
        write(fd, address.data(), address.size()) == static_cast<ssize_t>(address.size());
    close(fd);
    if (!written || renameat(dir, part.c_str(), dir, record.c_str()) != 0)
        unlinkat(dir, part.c_str(), 0);
}

/// Binds `fd` to the abstract `address` ("@name", no longer than a socket address holds),
/// or, for an empty one, to a name the kernel picks that no other socket has (autobind).
bool BindAbstract(int fd, const std::string& address) {
    sockaddr_un bound{};
    bound.sun_family = AF_UNIX;
    // The name starts with a NUL byte in place of the "@", and ends without one.
    std::memcpy(bound.sun_path, address.data(), address.size());
    bound.sun_path[0] = '\0';
    return bind(fd, reinterpret_cast<const sockaddr*>(&bound),
                static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size())) == 0;
}

/// The abstract address `fd` is bound to, "@name"; empty when it has none.
std::string AbstractAddress(int fd) {
    sockaddr_un bound{};
    socklen_t length = sizeof bound;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0 ||
        length <= offsetof(sockaddr_un, sun_path) + 1 || bound.sun_path[0] != '\0')
        return {};
    return "@" + std::string(bound.sun_path + 1, length - offsetof(sockaddr_un, sun_path) - 1);
}

}  // namespace

bool WindowNotAnswering(std::uint32_t) { return false; }

NotifyChannel OpenNotifyChannel(const std::string& name) {
    NotifyChannel channel;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // An abstract name has no file whose directory would keep the application out once it
    // runs as another user; the check of the senders' sessions keeps strangers out.
    const int dir = fd >= 0 ? OpenNameSpace(false) : -1;
    // The address of the watcher before, which an instance it launched still has; taken
    // meanwhile by another process, a new one.
    const std::string recorded = dir >= 0 ? RecordedAddress(dir, name) : std::string();
    if (fd >= 0 && ((!recorded.empty() && BindAbstract(fd, recorded)) || BindAbstract(fd, {})))
        channel.Address = AbstractAddress(fd);
    const int on = 1;
    if (channel.Address.empty() || setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
        channel.Error = static_cast<ErrorCode>(errno);
        channel.Address.clear();
        if (fd >= 0) close(fd);
        if (dir >= 0) close(dir);
        return channel;
    }
    if (dir >= 0) {
        if (channel.Address != recorded) RecordAddress(dir, name, channel.Address);
        close(dir);
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
