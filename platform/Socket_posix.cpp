// POSIX sockets: what differs from Winsock (creating and closing, blocking modes, waits, the sends and receives).
#include "platform/SocketCalls.h"

#include <fcntl.h>
#include <poll.h>

namespace tarnvale::platform {
namespace {

constexpr int kConnectSliceMs = 50;

IoResult FromCount(ssize_t n) {
    if (n >= 0)
        return IoResult{IoStatus::Ok, static_cast<std::size_t>(n), 0};
    const int code = errno;
    if (code == EAGAIN || code == EWOULDBLOCK)
        return IoResult{IoStatus::WouldBlock, 0, code};
    return IoResult{IoStatus::Failed, 0, code};
}

WaitResult Wait(NativeSocket socket, short events, int timeoutMs) {
    pollfd entry{Handle(socket), events, 0};
    for (;;) {
        int n = ::poll(&entry, 1, timeoutMs);
        if (n > 0)
            return (entry.revents & POLLNVAL) ? WaitResult::Failed : WaitResult::Ready;
        if (n == 0)
            return WaitResult::TimedOut;
        if (errno != EINTR)
            return WaitResult::Failed;
    }
}

} // namespace

SocketLibrary::SocketLibrary() : ready_(true) {}
SocketLibrary::~SocketLibrary() = default;

void SocketTraits::Release(NativeSocket socket) {
    ::close(Handle(socket));
}

Socket OpenSocket(int type, int protocol, SystemError* error) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        Capture(error, "cannot create a socket", errno);
        return Socket();
    }
    return Socket(static_cast<NativeSocket>(fd));
}

bool SetNonBlocking(NativeSocket socket, bool on) {
    int flags = ::fcntl(Handle(socket), F_GETFL);
    if (flags < 0)
        return false;
    flags = on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
    return ::fcntl(Handle(socket), F_SETFL, flags) == 0;
}

bool Connect(NativeSocket socket, Endpoint remote, const std::atomic<bool>* abandon, SystemError* error) {
    return ConnectWithin(socket, remote, -1, abandon, error);
}

bool ConnectWithin(NativeSocket socket, Endpoint remote, int timeoutMs, const std::atomic<bool>* abandon,
                   SystemError* error) {
    int waitedMs = 0;
    const int fd = Handle(socket);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        Capture(error, "cannot connect", errno);
        return false;
    }
    const sockaddr_in address = ToSockaddr(remote);
    int code = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        code = errno;
        if (code == EINPROGRESS || code == EINTR) {
            // The connect goes on in the system; wait for it in slices so that an owner can give up on it.
            code = ETIMEDOUT;
            while (!(abandon && abandon->load())) {
                WaitResult waited = Wait(socket, POLLOUT, kConnectSliceMs);
                if (waited == WaitResult::TimedOut) {
                    waitedMs += kConnectSliceMs;
                    if (timeoutMs >= 0 && waitedMs >= timeoutMs)
                        break;
                    continue;
                }
                socklen_t length = sizeof code;
                if (waited == WaitResult::Failed || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &length) != 0)
                    code = errno;
                break;
            }
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    if (code == 0)
        return true;
    Capture(error, "cannot connect", code);
    return false;
}

Socket Accept(NativeSocket listener, Endpoint* peer, SystemError* error) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int fd;
    do {
        fd = ::accept4(Handle(listener), reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        Capture(error, "cannot accept", errno);
        return Socket();
    }
    if (peer)
        *peer = FromSockaddr(address);
    return Socket(static_cast<NativeSocket>(fd));
}

IoResult Send(NativeSocket socket, const void* data, std::size_t size) {
    ssize_t n;
    do {
        n = ::send(Handle(socket), data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return FromCount(n);
}

IoResult Receive(NativeSocket socket, void* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::recv(Handle(socket), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    IoResult result = FromCount(n);
    if (result.status == IoStatus::Ok && n == 0 && size > 0)
        result.status = IoStatus::Closed;
    return result;
}

IoResult SendTo(NativeSocket socket, const void* data, std::size_t size, Endpoint to) {
    const sockaddr_in address = ToSockaddr(to);
    ssize_t n;
    do {
        n = ::sendto(Handle(socket), data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                     sizeof address);
    } while (n < 0 && errno == EINTR);
    return FromCount(n);
}

IoResult ReceiveFrom(NativeSocket socket, void* buffer, std::size_t size, Endpoint* from) {
    sockaddr_in address{};
    iovec io{buffer, size};
    msghdr message{};
    message.msg_name = &address;
    message.msg_namelen = sizeof address;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    ssize_t n;
    do {
        n = ::recvmsg(Handle(socket), &message, 0);
    } while (n < 0 && errno == EINTR);
    IoResult result = FromCount(n);
    if (result.status == IoStatus::Ok) {
        if (message.msg_flags & MSG_TRUNC)
            result.status = IoStatus::Truncated;
        if (from)
            *from = FromSockaddr(address);
    }
    return result;
}

WaitResult WaitReady(NativeSocket socket, bool readable, int timeoutMs) {
    return Wait(socket, readable ? POLLIN : POLLOUT, timeoutMs);
}

} // namespace tarnvale::platform
