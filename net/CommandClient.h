// The client side of the command protocol: a reply socket with a large receive buffer, a listener for the
// server's stream connection, and the commands. Used by tarnvale-client and by the tests that play client.
#pragma once

#include "net/Protocol.h"
#include "platform/Socket.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarnvale {

class CommandClient {
public:
    // The server sends the whole catalogue back to back; a default buffer keeps only a few hundred replies.
    static constexpr int kReplyBufferBytes = 16 * 1024 * 1024;

    // Sets up the reply socket and the stream listener on localAddress, or without one on the local address that
    // reaches server (the address told to the server in CMD_CONNECT, and the source of the commands), both on
    // ports the system chooses. A streamBufferBytes above 0 sets the stream connection's receive buffer (a small
    // one makes the server wait for this client sooner).
    bool Open(platform::Endpoint server, platform::SystemError* error = nullptr, int streamBufferBytes = 0,
              std::uint32_t localAddress = platform::kAnyAddress);

    std::uint32_t LocalAddress() const { return localAddress_; }
    std::uint16_t ReplyPort() const { return replyPort_; }
    std::uint16_t StreamPort() const { return streamPort_; }
    int ReplyBufferBytes() const { return replyBufferBytes_; }
    platform::Endpoint Server() const { return server_; }

    // Sends raw bytes to the server's command port.
    bool Send(std::span<const std::uint8_t> datagram);
    bool SendCommand(std::uint32_t code);
    bool SendPlay(std::int32_t pid);
    // CMD_CONNECT with this client's address, reply port and stream port.
    bool SendConnect();

    enum class Wait { Got, TimedOut, Failed };
    // The next reply datagram, waiting at most timeoutMs. Datagrams that are not 124 bytes are skipped.
    Wait NextReply(Reply& reply, int timeoutMs, platform::Endpoint* from = nullptr);
    // CMD_CONNECT, then waits for MSG_CONNECTED (other replies are dropped).
    Wait Connect(int timeoutMs);
    // CMD_LIST, then gathers MSG_PROGRAM replies until none has come for quietMs (the list has no end marker);
    // TimedOut when not even the first came within firstMs (an empty catalogue sends nothing at all).
    Wait List(std::vector<ProgramEntry>& programs, int firstMs, int quietMs);
    // Takes the server's stream connection, waiting at most timeoutMs for it.
    platform::Socket AcceptStream(int timeoutMs, platform::SystemError* error = nullptr);

private:
    platform::Endpoint server_;
    std::uint32_t localAddress_ = 0;
    std::uint16_t replyPort_ = 0;
    std::uint16_t streamPort_ = 0;
    int replyBufferBytes_ = 0;
    platform::Socket reply_;
    platform::Socket listener_;
};

// One receive on a stream socket, waiting at most timeoutMs for data; WouldBlock when none came in time.
platform::IoResult ReceiveWithin(platform::NativeSocket socket, void* buffer, std::size_t size, int timeoutMs);

} // namespace tarnvale
