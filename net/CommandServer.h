// CCommandServer: receives command datagrams on the command port and hands each one, with the address it came
// from, to its listeners as NOTIFY_DATAGRAM, on a receive thread of its own; sends replies from a fresh unbound
// socket per burst.
#pragma once

#include "net/Notifier.h"
#include "net/Protocol.h"
#include "platform/Socket.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>

namespace tarnvale {

// What NOTIFY_DATAGRAM hands its listeners: the bytes of one datagram and where it came from.
struct ReceivedDatagram {
    std::span<const std::uint8_t> bytes;
    platform::Endpoint source;
};

class CCommandServer : public CNotifier {
public:
    CCommandServer() = default;
    // Stops receiving, then closes both sockets; listeners hear NOTIFY_DETACH last.
    ~CCommandServer() override;

    void SetLocalPort(std::uint16_t port) { localPort_ = port; }
    // The address the receive socket binds to; every local address unless set.
    void SetLocalAddress(std::uint32_t address) { localAddress_ = address; }

    // Binds a fresh receive socket (with SO_REUSEADDR) to the local address and port, stopping a running receive
    // loop first. On failure there is no receive socket and error, when given, says why.
    bool OpenReceiveSocket(platform::SystemError* error = nullptr);
    // Replaces the reply socket with a fresh unbound one, so each burst of replies leaves from its own port.
    bool OpenReplySocket();
    // One datagram from the reply socket to target; false without a target (port 0: before a client has said
    // where its replies go) or when the send reports an error.
    bool SendTo(const void* data, std::size_t length, platform::Endpoint target);

    // Starts the receive thread (opening the receive socket first if there is none). True when it runs;
    // otherwise error, when given, says why.
    bool StartReceiving(platform::SystemError* error = nullptr);
    // Ends the receive loop and joins its thread; the command being carried out, if any, is finished first.
    // Closes the receive socket.
    void StopReceiving();
    bool Receiving() const { return receiving_.load(); }

    // The port the receive socket is bound to (the one the system chose when the local port is 0); 0 without
    // a receive socket.
    std::uint16_t BoundPort() const;

private:
    void ReceiveLoop();

    platform::Socket receiveSocket_;
    platform::Socket replySocket_;
    std::uint16_t localPort_ = kCommandPort;
    std::uint32_t localAddress_ = platform::kAnyAddress;
    std::atomic<bool> receiving_{false};
    std::thread receiveThread_;
};

} // namespace tarnvale
