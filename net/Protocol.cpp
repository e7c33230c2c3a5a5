// Encoding and decoding of the command protocol's datagrams.
#include "net/Protocol.h"

#include "core/ByteReader.h"

#include <cstring>

namespace tarnvale {
namespace {

// Writes big-endian integers into a fixed datagram.
class DatagramWriter {
public:
    explicit DatagramWriter(std::span<std::uint8_t> out) : out_(out) {}
    void U32(std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out_[at_++] = static_cast<std::uint8_t>(v >> shift);
    }
    void U16(std::uint16_t v) {
        out_[at_++] = static_cast<std::uint8_t>(v >> 8);
        out_[at_++] = static_cast<std::uint8_t>(v);
    }
    void Bytes(const void* data, std::size_t count) {
        std::memcpy(out_.data() + at_, data, count);
        at_ += count;
    }

private:
    std::span<std::uint8_t> out_;
    std::size_t at_ = 0;
};

} // namespace

std::size_t CommandLength(std::uint32_t code) {
    switch (code) {
    case CMD_CONNECT:
        return kConnectBytes;
    case CMD_PLAY:
        return kPlayBytes;
    default:
        return kCommandBytes;
    }
}

DecodeResult DecodeCommand(std::span<const std::uint8_t> datagram, Command& command) {
    command = Command{};
    ByteReader in(datagram);
    if (!in.U32BE(command.code) || datagram.size() < CommandLength(command.code))
        return DecodeResult::TooShort;
    if (command.code == CMD_CONNECT) {
        in.U32BE(command.address);
        in.U16BE(command.replyPort);
        in.U16BE(command.streamPort);
    } else if (command.code == CMD_PLAY) {
        in.I32BE(command.pid);
    }
    return DecodeResult::Ok;
}

std::array<std::uint8_t, kConnectBytes> EncodeConnect(std::uint32_t address, std::uint16_t replyPort,
                                                      std::uint16_t streamPort) {
    std::array<std::uint8_t, kConnectBytes> datagram{};
    DatagramWriter out(datagram);
    out.U32(CMD_CONNECT);
    out.U32(address);
    out.U16(replyPort);
    out.U16(streamPort);
    return datagram;
}

std::array<std::uint8_t, kPlayBytes> EncodePlay(std::int32_t pid) {
    std::array<std::uint8_t, kPlayBytes> datagram{};
    DatagramWriter out(datagram);
    out.U32(CMD_PLAY);
    out.U32(static_cast<std::uint32_t>(pid));
    return datagram;
}

std::array<std::uint8_t, kCommandBytes> EncodeCommand(std::uint32_t code) {
    std::array<std::uint8_t, kCommandBytes> datagram{};
    DatagramWriter(datagram).U32(code);
    return datagram;
}

ReplyDatagram EncodeProgramReply(const ProgramEntry& entry) {
    ReplyDatagram datagram{};
    DatagramWriter out(datagram);
    out.U32(MSG_PROGRAM);
    out.Bytes(entry.szFile, sizeof entry.szFile);
    for (std::int32_t value : {entry.nPID, entry.nType, entry.nSize, entry.nExtra, entry.nTailOffset})
        out.U32(static_cast<std::uint32_t>(value));
    return datagram;
}

ReplyDatagram EncodeConnectedReply() {
    ReplyDatagram datagram{};
    DatagramWriter(datagram).U32(MSG_CONNECTED);
    return datagram;
}

bool DecodeReply(std::span<const std::uint8_t> datagram, Reply& reply) {
    reply = Reply{};
    if (datagram.size() != kReplyBytes)
        return false;
    ByteReader in(datagram);
    in.U32BE(reply.code);
    in.Bytes(reply.entry.szFile, sizeof reply.entry.szFile);
    in.I32BE(reply.entry.nPID);
    in.I32BE(reply.entry.nType);
    in.I32BE(reply.entry.nSize);
    in.I32BE(reply.entry.nExtra);
    in.I32BE(reply.entry.nTailOffset);
    return true;
}

} // namespace tarnvale
