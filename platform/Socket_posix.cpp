// POSIX sockets.
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnvale::platform {
namespace {

constexpr int kConnectSliceMs = 50;

int Fd(NativeSocket socket) {
    return static_cast<int>(socket);
}

void Capture(SystemError* error, const char* what, int code) {
    if (error)
        *error = MakeSystemError(code, what);
}

sockaddr_in ToSockaddr(Endpoint endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(endpoint.address);
    address.sin_port = htons(endpoint.port);
    return address;
}

Endpoint FromSockaddr(const sockaddr_in& address) {
    return Endpoint{ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

Socket Create(int type, SystemError* error) {
    int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        Capture(error, "cannot create a socket", errno);
        return Socket();
    }
    return Socket(static_cast<NativeSocket>(fd));
}

bool SetInt(NativeSocket socket, int level, int name, int value) {
    return ::setsockopt(Fd(socket), level, name, &value, sizeof value) == 0;
}

IoResult FromCount(ssize_t n) {
    if (n >= 0)
        return IoResult{IoStatus::Ok, static_cast<std::size_t>(n), 0};
    const int code = errno;
    if (code == EAGAIN || code == EWOULDBLOCK)
        return IoResult{IoStatus::WouldBlock, 0, code};
    return IoResult{IoStatus::Failed, 0, code};
}

WaitResult Wait(NativeSocket socket, short events, int timeoutMs) {
    pollfd entry{Fd(socket), events, 0};
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

void Socket::reset(NativeSocket socket) {
    if (socket_ != kNoSocket)
        ::close(Fd(socket_));
    socket_ = socket;
}

Socket CreateUdpSocket(SystemError* error) {
    return Create(SOCK_DGRAM, error);
}

Socket CreateTcpSocket(SystemError* error) {
    return Create(SOCK_STREAM, error);
}

bool SetReuseAddress(NativeSocket socket, bool on) {
    return SetInt(socket, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0);
}

bool SetNoDelay(NativeSocket socket, bool on) {
    return SetInt(socket, IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

bool SetLingerOff(NativeSocket socket) {
    linger value{0, 0};
    return ::setsockopt(Fd(socket), SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0;
}

bool SetNonBlocking(NativeSocket socket, bool on) {
    int flags = ::fcntl(Fd(socket), F_GETFL);
    if (flags < 0)
        return false;
    flags = on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
    return ::fcntl(Fd(socket), F_SETFL, flags) == 0;
}

int RequestReceiveBuffer(NativeSocket socket, int bytes) {
#ifdef SO_RCVBUFFORCE
    // Beyond the system's limit only with privileges; without them this fails and the plain request follows.
    if (!SetInt(socket, SOL_SOCKET, SO_RCVBUFFORCE, bytes))
#endif
        SetInt(socket, SOL_SOCKET, SO_RCVBUF, bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (::getsockopt(Fd(socket), SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
        return 0;
    return granted;
}

bool Bind(NativeSocket socket, Endpoint local, SystemError* error) {
    sockaddr_in address = ToSockaddr(local);
    if (::bind(Fd(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    Capture(error, "cannot bind", errno);
    return false;
}

bool Listen(NativeSocket socket, int backlog, SystemError* error) {
    if (::listen(Fd(socket), backlog) == 0)
        return true;
    Capture(error, "cannot listen", errno);
    return false;
}

bool LocalEndpoint(NativeSocket socket, Endpoint& local) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(Fd(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    local = FromSockaddr(address);
    return true;
}

bool LocalAddressFor(std::uint32_t remote, std::uint32_t& local) {
    // Connecting a datagram socket only picks a route; nothing goes on the wire.
    Socket probe = CreateUdpSocket();
    if (!probe)
        return false;
    sockaddr_in address = ToSockaddr(Endpoint{remote, 9});
    if (::connect(Fd(probe.get()), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    Endpoint endpoint;
    if (!LocalEndpoint(probe.get(), endpoint))
        return false;
    local = endpoint.address;
    return true;
}

bool Connect(NativeSocket socket, Endpoint remote, const std::atomic<bool>* abandon, SystemError* error) {
    const int fd = Fd(socket);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        Capture(error, "cannot connect", errno);
        return false;
    }
    sockaddr_in address = ToSockaddr(remote);
    int code = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        code = errno;
        if (code == EINPROGRESS || code == EINTR) {
            // The connect goes on in the system; wait for it in slices so that an owner can give up on it.
            code = ETIMEDOUT;
            while (!(abandon && abandon->load())) {
                WaitResult waited = Wait(socket, POLLOUT, kConnectSliceMs);
                if (waited == WaitResult::TimedOut)
                    continue;
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
        fd = ::accept4(Fd(listener), reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
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
        n = ::send(Fd(socket), data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return FromCount(n);
}

IoResult Receive(NativeSocket socket, void* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = ::recv(Fd(socket), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    IoResult result = FromCount(n);
    if (result.status == IoStatus::Ok && n == 0 && size > 0)
        result.status = IoStatus::Closed;
    return result;
}

IoResult SendTo(NativeSocket socket, const void* data, std::size_t size, Endpoint to) {
    sockaddr_in address = ToSockaddr(to);
    ssize_t n;
    do {
        n = ::sendto(Fd(socket), data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address), sizeof address);
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
        n = ::recvmsg(Fd(socket), &message, 0);
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

WaitResult WaitReadable(NativeSocket socket, int timeoutMs) {
    return Wait(socket, POLLIN, timeoutMs);
}

WaitResult WaitWritable(NativeSocket socket, int timeoutMs) {
    return Wait(socket, POLLOUT, timeoutMs);
}

void ShutdownSocket(NativeSocket socket) {
    // Also wakes a receive blocked on an unconnected datagram socket, though the call reports ENOTCONN there.
    ::shutdown(Fd(socket), SHUT_RDWR);
}

bool LocalHostName(std::string& name, SystemError* error) {
    char buffer[301] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        Capture(error, "cannot read the host name", errno);
        return false;
    }
    name = buffer;
    return true;
}

bool ResolveIPv4(const std::string& name, std::uint32_t& address, SystemError* error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    int code = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (code != 0 || !found) {
        if (error)
            *error = SystemError{code, "cannot resolve " + name + ": " + ::gai_strerror(code)};
        return false;
    }
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

} // namespace tarnvale::platform
