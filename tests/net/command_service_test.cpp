// The command service end to end on 127.0.0.1: real clients send datagrams to a running command server, read the
// replies on their own reply sockets and the streams on their own TCP ports.
#include "NetTestSupport.h"
#include "core/MediaType.h"
#include "net/HostAddress.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <future>

namespace tarnvale::test {
namespace {

class CommandServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    // A client with its reply socket and stream listener; small buffers make the server wait for it sooner.
    std::unique_ptr<CommandClient> NewClient(int streamBuffer = 0) {
        auto client = std::make_unique<CommandClient>();
        EXPECT_TRUE(client->Open(harness.Address(), nullptr, streamBuffer));
        return client;
    }
    platform::Socket Connect(CommandClient& client) { return ConnectAndAccept(client); }
    CMediaInfo AddProgram(const std::string& name, std::int32_t pid, std::int32_t type, std::size_t size,
                          std::int32_t tail, std::uint32_t base = 0) {
        return harness.AddProgram(dir.File(name), pid, type, size, tail, base);
    }

    ServerHarness harness;
    TempDir dir;
};

ProgramEntry EntryOf(const CMediaInfo& record) {
    ProgramEntry entry;
    record.FillProgramEntry(entry);
    return entry;
}

bool SameEntry(const ProgramEntry& a, const ProgramEntry& b) {
    return std::memcmp(a.szFile, b.szFile, sizeof a.szFile) == 0 && a.nPID == b.nPID && a.nType == b.nType &&
           a.nSize == b.nSize && a.nExtra == b.nExtra && a.nTailOffset == b.nTailOffset;
}

std::uint32_t FirstWord(const Bytes& bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

TEST_F(CommandServiceTest, ConnectAnswersFromAFreshPortAndConnectsBack) {
    auto client = NewClient();
    ASSERT_TRUE(client->SendConnect());
    Reply reply;
    platform::Endpoint from;
    ASSERT_EQ(client->NextReply(reply, kWaitMs, &from), CommandClient::Wait::Got);
    EXPECT_EQ(reply.code, MSG_CONNECTED);
    EXPECT_TRUE(SameEntry(reply.entry, ProgramEntry{})) << "the body is 120 zero bytes";
    EXPECT_EQ(from.address, platform::kLoopbackAddress);
    EXPECT_NE(from.port, harness.service.BoundPort()) << "replies do not leave from the command port";
    EXPECT_TRUE(client->AcceptStream(kWaitMs));
}

TEST_F(CommandServiceTest, ListSendsEveryProgramInOrderToTheLastConnectedClient) {
    const CMediaInfo records[] = {
        AddProgram("b.mpg", 12, MEDIA_MPEG2, 2048, -1046528),
        Record(std::string(120, 'p'), -7, 255, 123456, 99), // longer than the field: cut to 100 bytes, no NUL
        AddProgram("a.avi", 12, MEDIA_AVI, 4000, 3000),
    };
    harness.catalogue.Assign({records[0], records[1], records[2]});
    auto first = NewClient();
    auto second = NewClient();
    Connect(*first);
    Connect(*second);
    // Asked by the first client, answered to the second: replies go to the reply target, not the asker.
    ASSERT_TRUE(first->SendCommand(CMD_LIST));
    std::vector<ProgramEntry> got;
    for (int i = 0; i < 3; ++i) {
        Reply reply;
        ASSERT_EQ(second->NextReply(reply, kWaitMs), CommandClient::Wait::Got);
        EXPECT_EQ(reply.code, MSG_PROGRAM);
        got.push_back(reply.entry);
    }
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(SameEntry(got[i], EntryOf(records[i])));
    }
    EXPECT_EQ(std::memchr(got[1].szFile, 0, sizeof got[1].szFile), nullptr);
    ExpectNoReplyBeforeConnect(*first);
}

TEST_F(CommandServiceTest, ListOfAnEmptyCatalogueSendsNothing) {
    auto client = NewClient();
    Connect(*client);
    ASSERT_TRUE(client->SendCommand(CMD_LIST));
    ExpectNoReplyBeforeConnect(*client);
}

TEST_F(CommandServiceTest, IgnoresRepliesUnknownCodesAndDatagramsThatAreEmptyShortOrTooLong) {
    // PID 0 and PID 1 exist, so a short datagram read as a command with zeroed or stale fields would show.
    AddProgram("zero.mpg", 0, MEDIA_MPEG1, 3000, 0);
    AddProgram("one.mpg", 1, MEDIA_MPEG1, 3000, 0);
    Bytes longList(1000, 0);
    longList[3] = CMD_LIST;
    const struct {
        const char* name;
        Bytes datagram;
    } rows[] = {
        {"MSG_PROGRAM", {0, 0, 0, 3}},
        {"MSG_CONNECTED", {0, 0, 0, 7}},
        {"code 9", {0, 0, 0, 9}},
        {"top bit set", {0x80, 0, 0, 4, 0, 0, 0, 1}},
        {"empty", {}},
        {"three bytes", {0, 0, 0}},
        {"4-byte PLAY", {0, 0, 0, 4}},
        {"7-byte PLAY", {0, 0, 0, 4, 0, 0, 0}},
        {"8-byte CONNECT", {0, 0, 0, 0, 127, 0, 0, 1}},
        {"11-byte CONNECT", {0, 0, 0, 0, 127, 0, 0, 1, 0, 1, 0}},
        {"LIST longer than the receive buffer", longList},
    };
    auto client = NewClient();
    platform::Socket stream = Connect(*client);
    ASSERT_TRUE(client->SendPlay(1)); // leaves a PLAY with PID 1 in the server's buffer
    EXPECT_EQ(ReadExactly(stream.get(), 3000), PatternBytes(3000));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(client->Send(row.datagram));
        ExpectNoReplyBeforeConnect(*client); // the service still answers
        bool closed = false;
        EXPECT_TRUE(ReadToClose(stream.get(), &closed).empty()) << "nothing was streamed";
        EXPECT_TRUE(closed);
        stream = client->AcceptStream(kWaitMs);
        ASSERT_TRUE(stream);
    }
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Started), 1);
}

TEST_F(CommandServiceTest, ConnectToAPortNobodyListensOnStillAnswersAndPlayThenSendsNothing) {
    AddProgram("a.mpg", 5, MEDIA_MPEG1, 3000, 0);
    auto client = NewClient();
    std::uint16_t deadPort;
    {
        platform::Socket probe = platform::CreateTcpSocket();
        ASSERT_TRUE(platform::Bind(probe.get(), platform::Endpoint{platform::kLoopbackAddress, 0}));
        platform::Endpoint local;
        ASSERT_TRUE(platform::LocalEndpoint(probe.get(), local));
        deadPort = local.port; // bound, never listening: connects are refused
        ASSERT_TRUE(client->Send(EncodeConnect(client->LocalAddress(), client->ReplyPort(), deadPort)));
        Reply reply;
        ASSERT_EQ(client->NextReply(reply, kWaitMs), CommandClient::Wait::Got);
        EXPECT_EQ(reply.code, MSG_CONNECTED);
    }
    ASSERT_TRUE(client->SendPlay(5));
    ExpectNoReplyBeforeConnect(*client);
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Started), 0);
}

TEST_F(CommandServiceTest, PlayTakesTheFirstProgramWithThePidAndIgnoresUnknownPids) {
    AddProgram("first.mpg", 42, MEDIA_MPEG1, 5000, 0, 0x1000);
    AddProgram("second.mpg", 42, MEDIA_MPEG1, 5000, 0, 0x2000);
    auto client = NewClient();
    platform::Socket stream = Connect(*client);
    ASSERT_TRUE(client->SendPlay(999));
    ASSERT_TRUE(client->SendPlay(42));
    EXPECT_EQ(ReadExactly(stream.get(), 5000), PatternBytes(5000, 0x1000));
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1));
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Started), 1);
}

// Streams of a file large enough that a client which does not read makes the server wait for it.
class BusyStreamTest : public CommandServiceTest {
protected:
    static constexpr std::size_t kSize = 16 * 1024 * 1024;
    static constexpr std::int32_t kTail = kSize - 4096;

    void SetUp() override {
        CommandServiceTest::SetUp();
        big = AddProgram("big.mpg", 1, MEDIA_MPEG2, kSize, kTail);
        AddProgram("other.avi", 2, MEDIA_AVI, 9000, 8000, 0x400000);
        client = NewClient(4096);
        stream = Connect(*client);
    }
    void PlayUntilTheServerWaits() {
        ASSERT_TRUE(client->SendPlay(1));
        ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Waiting, 1)) << "the server never had to wait";
    }

    // Plays a program whose tail block is larger than every buffer on the way, pausing it while that block holds
    // the worker; once this client has read the block, the worker has seen the pause before the file's first
    // piece.
    void HoldPausedAfterTailBlock() {
        constexpr std::size_t kLongTailSize = 8 * 1024 * 1024;
        AddProgram("long-tail.avi", 3, MEDIA_AVI, kLongTailSize, 4096, 0x800000);
        ASSERT_TRUE(client->SendPlay(3));
        ASSERT_TRUE(client->SendCommand(CMD_PAUSE));
        ASSERT_TRUE(client->SendCommand(CMD_LIST));
        ExpectFirstProgramReply(*client);
        EXPECT_EQ(ReadExactly(stream.get(), kLongTailSize - 4096),
                  Slice(PatternBytes(kLongTailSize, 0x800000), 4096, kLongTailSize));
    }

    const Bytes file = PatternBytes(kSize);
    CMediaInfo big;
    std::unique_ptr<CommandClient> client;
    platform::Socket stream;
};

TEST_F(BusyStreamTest, PlayDuringPauseRestartsFromTheFirstByteWithoutTailBlock) {
    PlayUntilTheServerWaits();
    ASSERT_TRUE(client->SendCommand(CMD_PAUSE));
    ASSERT_TRUE(client->SendPlay(1));
    ASSERT_TRUE(client->SendCommand(CMD_LIST));
    ExpectFirstProgramReply(*client); // PAUSE and PLAY have been carried out
    EXPECT_EQ(ReadExactly(stream.get(), kSize - kTail), Slice(file, kTail, kSize));
    // Pieces of the first pass, until one starts at byte 0 again.
    std::size_t firstPass = 0;
    for (;;) {
        const Bytes piece = ReadExactly(stream.get(), 2048);
        ASSERT_EQ(piece.size(), 2048u);
        if (firstPass > 0 && FirstWord(piece) == 0) {
            EXPECT_EQ(piece, Slice(file, 0, 2048));
            break;
        }
        ASSERT_EQ(piece, Slice(file, firstPass, firstPass + 2048));
        firstPass += 2048;
        ASSERT_LT(firstPass, kSize) << "the stream never restarted";
    }
    EXPECT_EQ(ReadExactly(stream.get(), kSize - 2048), Slice(file, 2048, kSize));
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1));
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Started), 1);
    EXPECT_TRUE(OpenAndIdle(stream.get()));
}

TEST_F(BusyStreamTest, StopEndsAStreamTheClientDoesNotReadAndKeepsTheConnection) {
    PlayUntilTheServerWaits();
    ASSERT_TRUE(client->SendCommand(CMD_STOP));
    ASSERT_TRUE(client->SendCommand(CMD_LIST));
    ExpectFirstProgramReply(*client); // STOP returned without the client reading a byte
    StreamEvent end;
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::Stopped);

    // A later PLAY starts a fresh stream, tail block first, on the same connection. The stopped stream may end
    // inside a piece, so the second stream is found by its bytes.
    ASSERT_TRUE(client->SendPlay(1));
    EXPECT_EQ(ReadExactly(stream.get(), kSize - kTail), Slice(file, kTail, kSize));
    const Bytes fresh = Join(Slice(file, kTail, kSize), file);
    Bytes rest;
    constexpr std::size_t kNotYet = ~std::size_t{0};
    std::size_t at = kNotYet, searched = 0;
    std::vector<std::uint8_t> buffer(65536);
    while (at == kNotYet || rest.size() < at + fresh.size()) {
        const platform::IoResult got = ReceiveWithin(stream.get(), buffer.data(), buffer.size(), kWaitMs);
        ASSERT_EQ(got.status, platform::IoStatus::Ok) << rest.size() << " bytes after the first tail block";
        rest.insert(rest.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got.bytes));
        if (at == kNotYet) {
            auto found = std::search(rest.begin() + static_cast<std::ptrdiff_t>(searched), rest.end(), fresh.begin(),
                                     fresh.begin() + 4096);
            if (found != rest.end())
                at = static_cast<std::size_t>(found - rest.begin());
            searched = rest.size() > 4096 ? rest.size() - 4096 : 0;
        }
    }
    EXPECT_EQ(Slice(rest, 0, at), Slice(file, 0, at)) << "the stopped stream was the file from its start";
    EXPECT_EQ(Slice(rest, at, rest.size()), fresh);
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 2));
}

TEST_F(BusyStreamTest, DisconnectClosesTheStreamAndStopsTheSender) {
    PlayUntilTheServerWaits();
    ASSERT_TRUE(client->SendCommand(CMD_DISCONNECT));
    ASSERT_TRUE(client->SendCommand(CMD_LIST));
    ExpectFirstProgramReply(*client);
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1)) << "the stream went on";
    bool closed = false;
    ReadToClose(stream.get(), &closed);
    EXPECT_TRUE(closed);
}

TEST_F(BusyStreamTest, SecondClientTakesOverAPausedStream) {
    HoldPausedAfterTailBlock();
    auto second = NewClient();
    platform::Socket secondStream = Connect(*second);
    bool closed = false;
    EXPECT_TRUE(ReadToClose(stream.get(), &closed).empty()) << "the paused stream sent nothing more";
    EXPECT_TRUE(closed);
    ASSERT_TRUE(second->SendPlay(2));
    EXPECT_EQ(ReadExactly(secondStream.get(), 9000), PatternBytes(9000, 0x400000)) << "from byte 0, no tail block";
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1));
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Started), 1) << "the paused stream went on";
    EXPECT_TRUE(OpenAndIdle(secondStream.get()));
}

TEST_F(BusyStreamTest, PlayOfAFileThatWillNotOpenEndsThePausedStream) {
    HoldPausedAfterTailBlock();
    harness.catalogue.Append(Record(dir.File("gone.mpg"), 4, MEDIA_MPEG1, 5000, 0));
    ASSERT_TRUE(client->SendPlay(4));
    StreamEvent end;
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::NoFile);
    EXPECT_TRUE(OpenAndIdle(stream.get())) << "nothing of the old file followed, and the connection stays";
}

TEST_F(BusyStreamTest, SecondClientsConnectEndsAStreamInsideASend) {
    PlayUntilTheServerWaits();
    auto second = NewClient();
    platform::Socket secondStream = Connect(*second);
    StreamEvent end;
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::SendFailed);
    EXPECT_TRUE(OpenAndIdle(secondStream.get()));

    ASSERT_TRUE(second->SendPlay(2));
    const Bytes other = PatternBytes(9000, 0x400000);
    EXPECT_EQ(ReadExactly(secondStream.get(), 10000), Join(Slice(other, 8000, 9000), other));
}

TEST_F(CommandServiceTest, StopClosesTheCommandPortAndStartOpensItAgain) {
    EXPECT_NE(harness.service.BoundPort(), 0);
    harness.service.Stop();
    EXPECT_EQ(harness.service.BoundPort(), 0);
    // It can be started again on a fresh socket.
    ASSERT_TRUE(harness.Start());
    auto client = NewClient();
    Connect(*client);
}

// Stopping the service waits for no client: neither for one that stopped reading its stream nor for one whose
// stream port never answers the connect.
TEST(CommandService, StopEndsAStalledStreamAndGivesUpAPendingConnect) {
    constexpr std::size_t kSize = 16 * 1024 * 1024;
    for (const bool pendingConnect : {false, true}) {
        SCOPED_TRACE(pendingConnect ? "a connect to a port that never answers" : "a client that stopped reading");
        TempDir dir;
        ServerHarness harness;
        ASSERT_TRUE(harness.Start());
        CommandClient client;
        ASSERT_TRUE(client.Open(harness.Address(), nullptr, 4096));
        platform::Socket stream, deadEnd, queued;
        if (!pendingConnect) {
            const std::string path = dir.File("big.mpg");
            WriteFile(path, PatternBytes(kSize));
            harness.catalogue.Append(Record(path, 1, MEDIA_MPEG1, kSize, 0));
            ASSERT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
            stream = client.AcceptStream(kWaitMs);
            ASSERT_TRUE(client.SendPlay(1));
            ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Waiting, 1));
        } else {
            // A listener whose queue (room for one) is full leaves further connection requests unanswered.
            platform::Endpoint end{platform::kLoopbackAddress, 0};
            deadEnd = platform::CreateTcpSocket();
            ASSERT_TRUE(platform::Bind(deadEnd.get(), end));
            ASSERT_TRUE(platform::Listen(deadEnd.get(), 0));
            ASSERT_TRUE(platform::LocalEndpoint(deadEnd.get(), end));
            queued = platform::CreateTcpSocket();
            ASSERT_TRUE(platform::Connect(queued.get(), end));
            ASSERT_TRUE(client.Send(EncodeConnect(client.LocalAddress(), client.ReplyPort(), end.port)));
            ASSERT_TRUE(harness.log.WaitFor("CONNECT from"));
        }
        auto stopped = std::async(std::launch::async, [&] { harness.service.Stop(); });
        ASSERT_EQ(stopped.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
        EXPECT_EQ(harness.service.BoundPort(), 0);
        EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Ended), pendingConnect ? 0 : 1);
        EXPECT_EQ(harness.log.Count("cannot connect"), pendingConnect ? 1u : 0u) << "the connect was given up";
        if (stream) {
            bool closed = false;
            ReadToClose(stream.get(), &closed);
            EXPECT_TRUE(closed) << "the stalled client's stream was closed";
        }
    }
}

TEST(HostAddress, NamesThisHostAndItsAddressInTheOperatorsLine) {
    EXPECT_EQ(HostLine("srv1", "10.0.0.5", 10080), "Host: srv1  IP: 10.0.0.5  Command Port (UDP) : 10080");
    SocketLibrary sockets;
    std::string address, name;
    const bool found = GetHostAddress(address, &name);
    EXPECT_FALSE(name.empty()) << "the name is read even when it does not resolve";
    if (found) {
        std::uint32_t parsed = 0;
        EXPECT_TRUE(platform::ResolveIPv4(address, parsed)) << address;
        EXPECT_EQ(FormatIPv4(parsed), address);
    }
}

} // namespace
} // namespace tarnvale::test
