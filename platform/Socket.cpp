// The half of the socket shim that POSIX and Winsock share: addresses, options, binding, waits, names and resolving.
#include "platform/SocketCalls.h"

#include <cstring>

namespace tarnvale::platform {
namespace {

// Room for the longest host name either system allows (255 bytes on Windows, 64 on Linux) and then some; a
// longer one is cut here.
constexpr std::size_t kHostNameBytes = 300;

bool SetInt(NativeSocket socket, int level, int name, int value) {
    return ::setsockopt(Handle(socket), level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

} // namespace

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

SystemAddress::SystemAddress(Endpoint endpoint) {
    static_assert(sizeof(sockaddr_in) == sizeof bytes_);
    const sockaddr_in address = ToSockaddr(endpoint);
    std::memcpy(bytes_, &address, sizeof address);
}

bool EndpointOf(const void* address, std::size_t length, Endpoint& endpoint) {
    sockaddr_in ipv4{};
    if (!address || length < sizeof ipv4)
        return false;
    std::memcpy(&ipv4, address, sizeof ipv4);
    if (ipv4.sin_family != AF_INET)
        return false;
    endpoint = FromSockaddr(ipv4);
    return true;
}

void Capture(SystemError* error, const char* what, int code) {
    if (error)
        *error = MakeSystemError(code, what);
}

Socket CreateUdpSocket(SystemError* error) {
    return OpenSocket(SOCK_DGRAM, IPPROTO_UDP, error);
}

Socket CreateTcpSocket(SystemError* error) {
    return OpenSocket(SOCK_STREAM, IPPROTO_TCP, error);
}

bool SetReuseAddress(NativeSocket socket, bool on, SystemError* error) {
    if (SetInt(socket, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0))
        return true;
    Capture(error, "cannot set SO_REUSEADDR", LastSocketError());
    return false;
}

bool JoinMulticastGroup(NativeSocket socket, std::uint32_t group, std::uint32_t interfaceAddress, SystemError* error) {
    ip_mreq request{};
    request.imr_multiaddr.s_addr = htonl(group);
    request.imr_interface.s_addr = htonl(interfaceAddress);
    if (::setsockopt(Handle(socket), IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&request),
                     sizeof request) == 0)
        return true;
    Capture(error, "cannot join the multicast group", LastSocketError());
    return false;
}

bool SetMulticastSending(NativeSocket socket, std::uint32_t interfaceAddress, int ttl, SystemError* error) {
    in_addr address{};
    address.s_addr = htonl(interfaceAddress);
    if (::setsockopt(Handle(socket), IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&address),
                     sizeof address) != 0 ||
        !SetInt(socket, IPPROTO_IP, IP_MULTICAST_TTL, ttl)) {
        Capture(error, "cannot send multicast on the interface", LastSocketError());
        return false;
    }
    return true;
}

bool SetNoDelay(NativeSocket socket, bool on) {
    return SetInt(socket, IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

bool SetLingerOff(NativeSocket socket) {
    linger value{};
    return ::setsockopt(Handle(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value) ==
           0;
}

int RequestReceiveBuffer(NativeSocket socket, int bytes) {
    // Without the privilege the forced request fails and the plain one follows.
    if (kForcedReceiveBuffer == 0 || !SetInt(socket, SOL_SOCKET, kForcedReceiveBuffer, bytes))
        SetInt(socket, SOL_SOCKET, SO_RCVBUF, bytes);
    int granted = 0;
    SocketLength length = sizeof granted;
    if (::getsockopt(Handle(socket), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&granted), &length) != 0)
        return 0;
    return granted;
}

bool Bind(NativeSocket socket, Endpoint local, SystemError* error) {
    const sockaddr_in address = ToSockaddr(local);
    if (::bind(Handle(socket), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    Capture(error, "cannot bind", LastSocketError());
    return false;
}

bool Listen(NativeSocket socket, int backlog, SystemError* error) {
    if (::listen(Handle(socket), backlog) == 0)
        return true;
    Capture(error, "cannot listen", LastSocketError());
    return false;
}

bool LocalEndpoint(NativeSocket socket, Endpoint& local, SystemError* error) {
    sockaddr_in address{};
    SocketLength length = sizeof address;
    if (::getsockname(Handle(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Capture(error, "cannot read a socket's local address", LastSocketError());
        return false;
    }
    local = FromSockaddr(address);
    return true;
}

bool LocalAddressFor(std::uint32_t remote, std::uint32_t& local, SystemError* error) {
    // Connecting a datagram socket only picks a route; nothing goes on the wire.
    Socket probe = CreateUdpSocket(error);
    if (!probe)
        return false;
    // Port 9 (discard) because some port must be named: the route depends only on the address.
    const sockaddr_in address = ToSockaddr(Endpoint{remote, 9});
    if (::connect(Handle(probe.get()), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        Capture(error, "no route to that address", LastSocketError());
        return false;
    }
    Endpoint endpoint;
    if (!LocalEndpoint(probe.get(), endpoint, error))
        return false;
    local = endpoint.address;
    return true;
}

WaitResult WaitReadable(NativeSocket socket, int timeoutMs) {
    return WaitReady(socket, true, timeoutMs);
}

WaitResult WaitWritable(NativeSocket socket, int timeoutMs) {
    return WaitReady(socket, false, timeoutMs);
}

void ShutdownSocket(NativeSocket socket) {
    // On POSIX this also wakes a receive blocked on an unconnected datagram socket, though the call reports
    // ENOTCONN there.
    ::shutdown(Handle(socket), kShutdownBoth);
}

bool LocalHostName(std::string& name, SystemError* error) {
    char buffer[kHostNameBytes + 1] = {};
    if (::gethostname(buffer, kHostNameBytes) != 0) {
        Capture(error, "cannot read the host name", LastSocketError());
        return false;
    }
    name = buffer;
    return true;
}

bool ResolveIPv4(const std::string& name, std::uint32_t& address, SystemError* error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int code = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (code != 0 || !found) {
        if (error)
            *error = ResolveError(code, "cannot resolve " + name);
        return false;
    }
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

std::string CanonicalName(const std::string& name) {
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        return {};
    std::string canonical = found && found->ai_canonname ? found->ai_canonname : "";
    ::freeaddrinfo(found);
    return canonical;
}

} // namespace tarnvale::platform
