// Winsock sockets.
#include "platform/Socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

namespace tarnvale::platform {
namespace {

constexpr int kConnectSliceMs = 50;

SOCKET Handle(NativeSocket socket) {
    return static_cast<SOCKET>(socket);
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

Socket Create(int type, int protocol, SystemError* error) {
    SOCKET s = ::socket(AF_INET, type, protocol);
    if (s == INVALID_SOCKET) {
        Capture(error, "cannot create a socket", WSAGetLastError());
        return Socket();
    }
    // Not inherited by programs this process starts.
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    return Socket(static_cast<NativeSocket>(s));
}

bool SetInt(NativeSocket socket, int level, int name, int value) {
    return ::setsockopt(Handle(socket), level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

IoResult FromCount(int n) {
    if (n != SOCKET_ERROR)
        return IoResult{IoStatus::Ok, static_cast<std::size_t>(n), 0};
    const int code = WSAGetLastError();
    if (code == WSAEWOULDBLOCK)
        return IoResult{IoStatus::WouldBlock, 0, code};
    return IoResult{IoStatus::Failed, 0, code};
}

int Length(std::size_t size) {
    return size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
}

// select() on one socket: readable, writable, or writable-or-failed (a connect under way reports its failure
// in the exception set).
WaitResult Wait(NativeSocket socket, bool read, int timeoutMs, bool* failed = nullptr) {
    fd_set readSet, writeSet, errorSet;
    FD_ZERO(&readSet);
    FD_ZERO(&writeSet);
    FD_ZERO(&errorSet);
    FD_SET(Handle(socket), read ? &readSet : &writeSet);
    FD_SET(Handle(socket), &errorSet);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int n = ::select(0, &readSet, &writeSet, &errorSet, &timeout);
    if (n == SOCKET_ERROR)
        return WaitResult::Failed;
    if (n == 0)
        return WaitResult::TimedOut;
    if (failed)
        *failed = FD_ISSET(Handle(socket), &errorSet) != 0;
    return WaitResult::Ready;
}

} // namespace

SocketLibrary::SocketLibrary() {
    WSADATA data{};
    ready_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

SocketLibrary::~SocketLibrary() {
    if (ready_)
        WSACleanup();
}

void Socket::reset(NativeSocket socket) {
    if (socket_ != kNoSocket)
        ::closesocket(Handle(socket_));
    socket_ = socket;
}

Socket CreateUdpSocket(SystemError* error) {
    return Create(SOCK_DGRAM, IPPROTO_UDP, error);
}

Socket CreateTcpSocket(SystemError* error) {
    return Create(SOCK_STREAM, IPPROTO_TCP, error);
}

bool SetReuseAddress(NativeSocket socket, bool on) {
    return SetInt(socket, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0);
}

bool SetNoDelay(NativeSocket socket, bool on) {
    return SetInt(socket, IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

bool SetLingerOff(NativeSocket socket) {
    return SetInt(socket, SOL_SOCKET, SO_DONTLINGER, 1);
}

bool SetNonBlocking(NativeSocket socket, bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(Handle(socket), FIONBIO, &mode) == 0;
}

int RequestReceiveBuffer(NativeSocket socket, int bytes) {
    SetInt(socket, SOL_SOCKET, SO_RCVBUF, bytes);
    int granted = 0;
    int length = sizeof granted;
    if (::getsockopt(Handle(socket), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&granted), &length) != 0)
        return 0;
    return granted;
}

bool Bind(NativeSocket socket, Endpoint local, SystemError* error) {
    sockaddr_in address = ToSockaddr(local);
    if (::bind(Handle(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    Capture(error, "cannot bind", WSAGetLastError());
    return false;
}

bool Listen(NativeSocket socket, int backlog, SystemError* error) {
    if (::listen(Handle(socket), backlog) == 0)
        return true;
    Capture(error, "cannot listen", WSAGetLastError());
    return false;
}

bool LocalEndpoint(NativeSocket socket, Endpoint& local) {
    sockaddr_in address{};
    int length = sizeof address;
    if (::getsockname(Handle(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0)
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
    if (::connect(Handle(probe.get()), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false;
    Endpoint endpoint;
    if (!LocalEndpoint(probe.get(), endpoint))
        return false;
    local = endpoint.address;
    return true;
}

bool Connect(NativeSocket socket, Endpoint remote, const std::atomic<bool>* abandon, SystemError* error) {
    if (!SetNonBlocking(socket, true)) {
        Capture(error, "cannot connect", WSAGetLastError());
        return false;
    }
    sockaddr_in address = ToSockaddr(remote);
    int code = 0;
    if (::connect(Handle(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        code = WSAGetLastError();
        if (code == WSAEWOULDBLOCK) {
            // The connect goes on in the system; wait for it in slices so that an owner can give up on it.
            code = WSAETIMEDOUT;
            while (!(abandon && abandon->load())) {
                bool failed = false;
                WaitResult waited = Wait(socket, false, kConnectSliceMs, &failed);
                if (waited == WaitResult::TimedOut)
                    continue;
                code = 0;
                if (waited == WaitResult::Failed || failed) {
                    int length = sizeof code;
                    if (::getsockopt(Handle(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &length) !=
                            0 ||
                        code == 0)
                        code = WSAECONNREFUSED;
                }
                break;
            }
        }
    }
    SetNonBlocking(socket, false);
    if (code == 0)
        return true;
    Capture(error, "cannot connect", code);
    return false;
}

Socket Accept(NativeSocket listener, Endpoint* peer, SystemError* error) {
    sockaddr_in address{};
    int length = sizeof address;
    SOCKET s = ::accept(Handle(listener), reinterpret_cast<sockaddr*>(&address), &length);
    if (s == INVALID_SOCKET) {
        Capture(error, "cannot accept", WSAGetLastError());
        return Socket();
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    if (peer)
        *peer = FromSockaddr(address);
    return Socket(static_cast<NativeSocket>(s));
}

IoResult Send(NativeSocket socket, const void* data, std::size_t size) {
    return FromCount(::send(Handle(socket), static_cast<const char*>(data), Length(size), 0));
}

IoResult Receive(NativeSocket socket, void* buffer, std::size_t size) {
    IoResult result = FromCount(::recv(Handle(socket), static_cast<char*>(buffer), Length(size), 0));
    if (result.status == IoStatus::Ok && result.bytes == 0 && size > 0)
        result.status = IoStatus::Closed;
    return result;
}

IoResult SendTo(NativeSocket socket, const void* data, std::size_t size, Endpoint to) {
    sockaddr_in address = ToSockaddr(to);
    return FromCount(::sendto(Handle(socket), static_cast<const char*>(data), Length(size), 0,
                              reinterpret_cast<const sockaddr*>(&address), sizeof address));
}

IoResult ReceiveFrom(NativeSocket socket, void* buffer, std::size_t size, Endpoint* from) {
    sockaddr_in address{};
    int length = sizeof address;
    int n = ::recvfrom(Handle(socket), static_cast<char*>(buffer), Length(size), 0,
                       reinterpret_cast<sockaddr*>(&address), &length);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEMSGSIZE) {
        if (from)
            *from = FromSockaddr(address);
        return IoResult{IoStatus::Truncated, size, WSAEMSGSIZE};
    }
    IoResult result = FromCount(n);
    if (result.status == IoStatus::Ok && from)
        *from = FromSockaddr(address);
    return result;
}

WaitResult WaitReadable(NativeSocket socket, int timeoutMs) {
    return Wait(socket, true, timeoutMs);
}

WaitResult WaitWritable(NativeSocket socket, int timeoutMs) {
    return Wait(socket, false, timeoutMs);
}

void ShutdownSocket(NativeSocket socket) {
    ::shutdown(Handle(socket), SD_BOTH);
}

bool LocalHostName(std::string& name, SystemError* error) {
    char buffer[301] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        Capture(error, "cannot read the host name", WSAGetLastError());
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
        Capture(error, ("cannot resolve " + name).c_str(), code);
        return false;
    }
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

} // namespace tarnvale::platform
