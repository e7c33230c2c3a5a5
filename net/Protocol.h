// The command protocol's wire format: command codes, the command datagrams clients send to the command port, and
// the 124-byte replies. Everything on the wire is big-endian.
#pragma once

#include "core/ProgramEntry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tarnvale {

enum CommandCode : std::uint32_t {
    CMD_CONNECT = 0,
    CMD_DISCONNECT = 1,
    CMD_LIST = 2,
    MSG_PROGRAM = 3,
    CMD_PLAY = 4,
    CMD_PAUSE = 5,
    CMD_STOP = 6,
    MSG_CONNECTED = 7,
};

inline constexpr std::uint16_t kCommandPort = 10080;
inline constexpr std::size_t kReceiveBufferBytes = 300; // the longest command datagram the server takes
inline constexpr std::size_t kCommandBytes = 4;
inline constexpr std::size_t kPlayBytes = 8;
inline constexpr std::size_t kConnectBytes = 12;
inline constexpr std::size_t kReplyBytes = 124;

using ReplyDatagram = std::array<std::uint8_t, kReplyBytes>;

// A decoded command datagram. Addresses and ports are in host order.
struct Command {
    std::uint32_t code = 0;
    std::uint32_t address = 0;    // CMD_CONNECT: the client's IPv4 address
    std::uint16_t replyPort = 0;  // CMD_CONNECT: the client's UDP port for replies
    std::uint16_t streamPort = 0; // CMD_CONNECT: the client's TCP port for the stream
    std::int32_t pid = 0;         // CMD_PLAY
};

enum class DecodeResult {
    Ok,       // every field the code needs was there; bytes beyond them are ignored
    TooShort, // the datagram ends before the fields of its command (an empty one included)
};

// Decodes a command datagram. Codes the server ignores (replies, unknown codes) decode as Ok with just the code.
DecodeResult DecodeCommand(std::span<const std::uint8_t> datagram, Command& command);

// The number of bytes a command with this code needs: 12 for CMD_CONNECT, 8 for CMD_PLAY, 4 otherwise.
std::size_t CommandLength(std::uint32_t code);

std::array<std::uint8_t, kConnectBytes> EncodeConnect(std::uint32_t address, std::uint16_t replyPort,
                                                      std::uint16_t streamPort);
std::array<std::uint8_t, kPlayBytes> EncodePlay(std::int32_t pid);
std::array<std::uint8_t, kCommandBytes> EncodeCommand(std::uint32_t code);

ReplyDatagram EncodeProgramReply(const ProgramEntry& entry);
ReplyDatagram EncodeConnectedReply();

// A decoded reply. For MSG_PROGRAM, entry holds the program.
struct Reply {
    std::uint32_t code = 0;
    ProgramEntry entry;
};

// Decodes a reply datagram; false when it is not exactly 124 bytes.
bool DecodeReply(std::span<const std::uint8_t> datagram, Reply& reply);

} // namespace tarnvale
