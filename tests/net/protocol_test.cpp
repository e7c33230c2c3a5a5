// The command protocol on the wire: exact bytes of commands and replies, and datagrams too short to mean anything.
#include "core/MediaInfo.h"
#include "net/Protocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

TEST(Protocol, CommandsAreBigEndian) {
    EXPECT_EQ(ToBytes(EncodeConnect(0xC0A80105, 0x1234, 0xABCD)),
              (Bytes{0, 0, 0, 0, 192, 168, 1, 5, 0x12, 0x34, 0xAB, 0xCD}));
    EXPECT_EQ(ToBytes(EncodePlay(-2)), (Bytes{0, 0, 0, 4, 0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(ToBytes(EncodeCommand(CMD_STOP)), (Bytes{0, 0, 0, 6}));
}

TEST(Protocol, DecodesEveryCommand) {
    Command command;
    auto connect = EncodeConnect(0x7F000001, 5000, 5001);
    ASSERT_EQ(DecodeCommand(connect, command), DecodeResult::Ok);
    EXPECT_EQ(command.code, CMD_CONNECT);
    EXPECT_EQ(command.address, 0x7F000001u);
    EXPECT_EQ(command.replyPort, 5000);
    EXPECT_EQ(command.streamPort, 5001);

    auto play = EncodePlay(123456789);
    ASSERT_EQ(DecodeCommand(play, command), DecodeResult::Ok);
    EXPECT_EQ(command.code, CMD_PLAY);
    EXPECT_EQ(command.pid, 123456789);

    for (std::uint32_t code : {1u, 2u, 3u, 5u, 6u, 7u, 9u, 0x80000004u}) {
        SCOPED_TRACE(code);
        ASSERT_EQ(DecodeCommand(EncodeCommand(code), command), DecodeResult::Ok);
        EXPECT_EQ(command.code, code);
    }
}

TEST(Protocol, BytesBeyondTheFieldsAreIgnored) {
    Bytes datagram = ToBytes(EncodePlay(42));
    datagram.resize(kReceiveBufferBytes, 0xEE);
    Command command;
    ASSERT_EQ(DecodeCommand(datagram, command), DecodeResult::Ok);
    EXPECT_EQ(command.pid, 42);
}

TEST(Protocol, DatagramsShorterThanTheirCommandAreTooShort) {
    const struct {
        const char* name;
        Bytes datagram;
    } rows[] = {
        {"empty", {}},
        {"three bytes", {0, 0, 0}},
        {"4-byte play", {0, 0, 0, 4}},
        {"7-byte play", {0, 0, 0, 4, 0, 0, 1}},
        {"8-byte connect", {0, 0, 0, 0, 127, 0, 0, 1}},
        {"11-byte connect", {0, 0, 0, 0, 127, 0, 0, 1, 0, 1, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Command command;
        EXPECT_EQ(DecodeCommand(row.datagram, command), DecodeResult::TooShort);
    }
}

TEST(Protocol, ProgramReplyLayout) {
    CMediaInfo record;
    ASSERT_TRUE(record.SetPath(std::string(100, 'q') + "tail.mpg")); // longer than the field: cut, no NUL
    record.m_nPID = -5;
    record.m_nType = 2;
    record.m_nSize = 0x01020304;
    record.m_nTailOffset = 0x00ABCDEF;
    ProgramEntry entry;
    record.FillProgramEntry(entry);
    const ReplyDatagram datagram = EncodeProgramReply(entry);

    EXPECT_EQ(Bytes(datagram.begin(), datagram.begin() + 4), (Bytes{0, 0, 0, 3}));
    EXPECT_EQ(std::string(datagram.begin() + 4, datagram.begin() + 104), std::string(100, 'q'));
    EXPECT_EQ(Bytes(datagram.begin() + 104, datagram.end()),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFB, 0, 0, 0, 2, 1, 2, 3, 4, 0, 0, 0x28, 0, 0, 0xAB, 0xCD, 0xEF}));

    Reply reply;
    ASSERT_TRUE(DecodeReply(datagram, reply));
    EXPECT_EQ(reply.code, MSG_PROGRAM);
    EXPECT_EQ(std::memcmp(&reply.entry.szFile, &entry.szFile, 100), 0);
    EXPECT_EQ(reply.entry.nPID, -5);
    EXPECT_EQ(reply.entry.nExtra, 10240);
    EXPECT_EQ(reply.entry.nTailOffset, 0xABCDEF);
}

TEST(Protocol, ConnectedReplyIsCodeSevenAndZeros) {
    const ReplyDatagram datagram = EncodeConnectedReply();
    Bytes expected(kReplyBytes, 0);
    expected[3] = 7;
    EXPECT_EQ(Bytes(datagram.begin(), datagram.end()), expected);
    Reply reply;
    EXPECT_FALSE(DecodeReply(std::span(datagram).first(123), reply));
    ASSERT_TRUE(DecodeReply(datagram, reply));
    EXPECT_EQ(reply.code, MSG_CONNECTED);
}

} // namespace
} // namespace tarnvale
