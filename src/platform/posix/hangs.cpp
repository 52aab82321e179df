#include "platform/hangs.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/descriptors.h"
#include "platform/posix/event_errors.h"

namespace keeper {

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
    // The instance name is this watcher's alone, and with it the old channel's place.
    unlink(channel.Path.c_str());
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
        channel.Error = static_cast<ErrorCode>(errno);
        if (fd >= 0) close(fd);
        return channel;
    }
    channel.Socket = HandleOf(fd);
    return channel;
}

bool ReadNotification(Handle socket, std::string& text, std::uint32_t& sender) {
    char data[4096];
    iovec part{data, sizeof data};
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
    text.assign(data, static_cast<std::size_t>(n));
    sender = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS) {
            ucred credentials{};
            std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
            sender = static_cast<std::uint32_t>(credentials.pid);
        }
    }
    return true;
}

}  // namespace keeper
