// Winsock sockets: what differs from POSIX (starting the library, creating and closing, blocking modes, waits,
// the sends and receives).
#include "platform/SocketCalls.h"

namespace tarnvale::platform {
namespace {

constexpr int kConnectSliceMs = 50;

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

// Not inherited by programs this process starts.
void KeepFromChildren(SOCKET s) {
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
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

void SocketTraits::Release(NativeSocket socket) {
    ::closesocket(Handle(socket));
}

Socket OpenSocket(int type, int protocol, SystemError* error) {
    const SOCKET s = ::socket(AF_INET, type, protocol);
    if (s == INVALID_SOCKET) {
        Capture(error, "cannot create a socket", WSAGetLastError());
        return Socket();
    }
    KeepFromChildren(s);
    return Socket(static_cast<NativeSocket>(s));
}

bool SetNonBlocking(NativeSocket socket, bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(Handle(socket), FIONBIO, &mode) == 0;
}

bool Connect(NativeSocket socket, Endpoint remote, const std::atomic<bool>* abandon, SystemError* error) {
    return ConnectWithin(socket, remote, -1, abandon, error);
}

bool ConnectWithin(NativeSocket socket, Endpoint remote, int timeoutMs, const std::atomic<bool>* abandon,
                   SystemError* error) {
    int waitedMs = 0;
    if (!SetNonBlocking(socket, true)) {
        Capture(error, "cannot connect", WSAGetLastError());
        return false;
    }
    const sockaddr_in address = ToSockaddr(remote);
    int code = 0;
    if (::connect(Handle(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        code = WSAGetLastError();
        if (code == WSAEWOULDBLOCK) {
            // The connect goes on in the system; wait for it in slices so that an owner can give up on it.
            code = WSAETIMEDOUT;
            while (!(abandon && abandon->load())) {
                bool failed = false;
                WaitResult waited = Wait(socket, false, kConnectSliceMs, &failed);
                if (waited == WaitResult::TimedOut) {
                    waitedMs += kConnectSliceMs;
                    if (timeoutMs >= 0 && waitedMs >= timeoutMs)
                        break;
                    continue;
                }
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
    const SOCKET s = ::accept(Handle(listener), reinterpret_cast<sockaddr*>(&address), &length);
    if (s == INVALID_SOCKET) {
        Capture(error, "cannot accept", WSAGetLastError());
        return Socket();
    }
    KeepFromChildren(s);
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
    const sockaddr_in address = ToSockaddr(to);
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

WaitResult WaitReady(NativeSocket socket, bool readable, int timeoutMs) {
    return Wait(socket, readable, timeoutMs);
}

} // namespace tarnvale::platform
