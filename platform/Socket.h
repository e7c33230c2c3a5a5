// IPv4 sockets over POSIX and Winsock: an owning handle, the few calls the network service makes, and waits with
// a time-out so that no thread ever blocks beyond what its owner can stop.
#pragma once

#include "platform/SystemError.h"
#include "platform/UniqueHandle.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnvale::platform {

// Large enough for a Winsock SOCKET and a POSIX descriptor alike.
using NativeSocket = std::uintptr_t;
inline constexpr NativeSocket kNoSocket = ~NativeSocket{0};

// Winsock must be started once per process before any socket exists; on POSIX there is nothing to start.
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary();
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;
    bool Ready() const { return ready_; }

private:
    bool ready_ = false;
};

// Closes a socket when its owner lets go.
struct SocketTraits {
    using Handle = NativeSocket;
    static Handle Empty() { return kNoSocket; }
    static void Release(Handle socket);
};
using Socket = UniqueHandle<SocketTraits>;

// An IPv4 address and port, both in host order.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Endpoint&) const = default;
};

// A system socket address (sockaddr_in) for an endpoint, for libraries that take one.
class SystemAddress {
public:
    explicit SystemAddress(Endpoint endpoint);
    const void* data() const { return bytes_; }

private:
    alignas(8) unsigned char bytes_[16];
};

// The IPv4 endpoint in a system socket address of length bytes that a library hands over; false for another
// family.
bool EndpointOf(const void* address, std::size_t length, Endpoint& endpoint);

inline constexpr std::uint32_t kAnyAddress = 0;
inline constexpr std::uint32_t kLoopbackAddress = 0x7F000001;

enum class IoStatus {
    Ok,         // bytes says how many moved; 0 from a datagram socket is an empty datagram
    WouldBlock, // a non-blocking socket could take or give nothing now
    Truncated,  // a datagram was longer than the buffer; its first bytes are in the buffer, the rest is lost
    Closed,     // the peer ended the stream (a receive of 0 bytes on a stream socket)
    Failed,     // error holds the system's code
};

struct IoResult {
    IoStatus status = IoStatus::Failed;
    std::size_t bytes = 0;
    int error = 0;
};

enum class WaitResult { Ready, TimedOut, Failed };

Socket CreateUdpSocket(SystemError* error = nullptr);
Socket CreateTcpSocket(SystemError* error = nullptr);

bool SetReuseAddress(NativeSocket socket, bool on, SystemError* error = nullptr);
bool SetNoDelay(NativeSocket socket, bool on);
// Closing returns at once and the system sends what is queued in the background.
bool SetLingerOff(NativeSocket socket);
bool SetNonBlocking(NativeSocket socket, bool on);
// Asks for a receive buffer of at least bytes (using privileges where the process has them); returns the size
// the system granted, or 0 when it cannot tell.
int RequestReceiveBuffer(NativeSocket socket, int bytes);

bool Bind(NativeSocket socket, Endpoint local, SystemError* error = nullptr);
bool Listen(NativeSocket socket, int backlog, SystemError* error = nullptr);
bool LocalEndpoint(NativeSocket socket, Endpoint& local, SystemError* error = nullptr);
// The local address the system would use to reach remote; sends nothing.
bool LocalAddressFor(std::uint32_t remote, std::uint32_t& local, SystemError* error = nullptr);

// Connects a blocking or non-blocking socket and waits until the connect succeeds or fails, or until *abandon
// turns true (checked every few milliseconds; the connect then fails). The socket is left blocking.
bool Connect(NativeSocket socket, Endpoint remote, const std::atomic<bool>* abandon = nullptr,
             SystemError* error = nullptr);
// Connect, giving up also once timeoutMs have passed (a negative timeoutMs waits as long as the system does).
bool ConnectWithin(NativeSocket socket, Endpoint remote, int timeoutMs, const std::atomic<bool>* abandon = nullptr,
                   SystemError* error = nullptr);
Socket Accept(NativeSocket listener, Endpoint* peer = nullptr, SystemError* error = nullptr);

// One send or receive call each; on a blocking socket they wait, on a non-blocking one they may say WouldBlock.
IoResult Send(NativeSocket socket, const void* data, std::size_t size);
IoResult Receive(NativeSocket socket, void* buffer, std::size_t size);
IoResult SendTo(NativeSocket socket, const void* data, std::size_t size, Endpoint to);
IoResult ReceiveFrom(NativeSocket socket, void* buffer, std::size_t size, Endpoint* from = nullptr);

WaitResult WaitReadable(NativeSocket socket, int timeoutMs);
WaitResult WaitWritable(NativeSocket socket, int timeoutMs);

// Shuts both directions down: a send or receive blocked on the socket in another thread returns, and later ones
// fail, while the handle itself stays valid until its owner closes it.
void ShutdownSocket(NativeSocket socket);

// Receives the datagrams sent to group (an IPv4 multicast address, host order) on the interface of address, and
// sends multicast out of that interface with ttl hops at most.
bool JoinMulticastGroup(NativeSocket socket, std::uint32_t group, std::uint32_t interfaceAddress,
                        SystemError* error = nullptr);
bool SetMulticastSending(NativeSocket socket, std::uint32_t interfaceAddress, int ttl, SystemError* error = nullptr);

// The local host's name, and the first IPv4 address a name resolves to (host order).
bool LocalHostName(std::string& name, SystemError* error = nullptr);
bool ResolveIPv4(const std::string& name, std::uint32_t& address, SystemError* error = nullptr);
// The name with its domain as the resolver has it ("box.lan" for "box"); empty when the resolver has none.
std::string CanonicalName(const std::string& name);

} // namespace tarnvale::platform

namespace tarnvale {
using platform::SocketLibrary;
} // namespace tarnvale
