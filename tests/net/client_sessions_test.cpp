// Several clients at once, each on a loopback address of its own (127.0.0.2, 127.0.0.3, ...): every client
// address has a session with its own replies and stream, and the allow list keeps other addresses out.
#include "NetTestSupport.h"
#include "core/MediaType.h"
#include "net/AllowList.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>

namespace tarnvale::test {
namespace {

constexpr std::uint32_t kClientA = 0x7F000002;
constexpr std::uint32_t kClientB = 0x7F000003;
constexpr std::uint32_t kClientC = 0x7F000004;
constexpr std::uint32_t kOutside = 0x7F000009;

// Large enough that a client which does not read makes the server wait for it.
constexpr std::size_t kSize = 16 * 1024 * 1024;

// A client on an address of its own, with the stream connection the server opened to it.
struct Screen {
    std::unique_ptr<CommandClient> client = std::make_unique<CommandClient>();
    platform::Socket stream;
};

// Whether a datagram sent from a socket bound to 127.0.0.2 arrives from 127.0.0.2. Wine binds a UDP socket to the
// interface of its address instead (so that it hears broadcasts), and every loopback datagram then leaves from
// 127.0.0.1: clients on one machine cannot be told apart there.
bool LoopbackSourcesKept() {
    platform::Socket receiver = platform::CreateUdpSocket(), sender = platform::CreateUdpSocket();
    platform::Endpoint to, from;
    std::uint8_t byte = 1;
    return platform::Bind(receiver.get(), platform::Endpoint{platform::kLoopbackAddress, 0}) &&
           platform::LocalEndpoint(receiver.get(), to) &&
           platform::Bind(sender.get(), platform::Endpoint{kClientA, 0}) &&
           platform::SendTo(sender.get(), &byte, 1, to).status == platform::IoStatus::Ok &&
           platform::WaitReadable(receiver.get(), kWaitMs) == platform::WaitResult::Ready &&
           platform::ReceiveFrom(receiver.get(), &byte, 1, &from).status == platform::IoStatus::Ok &&
           from.address == kClientA;
}

class ClientSessionsTest : public ::testing::Test {
protected:
    explicit ClientSessionsTest(std::size_t sessions = 3) : harness(sessions), shared(sessions == 1) {}
    void SetUp() override {
        if (!LoopbackSourcesKept())
            GTEST_SKIP() << "datagrams from 127.0.0.2 arrive from another address on this system";
        ASSERT_TRUE(harness.Start());
    }

    // Small stream buffers make the server wait for a client that does not read.
    Screen Open(std::uint32_t address) {
        Screen screen;
        EXPECT_TRUE(screen.client->Open(harness.Address(), nullptr, 4096, address));
        return screen;
    }
    Screen Connect(std::uint32_t address) {
        Screen screen = Open(address);
        screen.stream = ConnectAndAccept(*screen.client);
        return screen;
    }
    CMediaInfo AddProgram(std::int32_t pid, std::int32_t type, std::int32_t tail, std::uint32_t base) {
        return harness.AddProgram(dir.File(std::to_string(pid)), pid, type, kSize, tail, base);
    }
    // Starts the program and waits until its stream waits for the client: the stream is under way.
    void PlayUntilTheServerWaits(Screen& screen, std::int32_t pid) {
        ASSERT_TRUE(screen.client->SendPlay(pid));
        // A shared session's events name no client.
        const std::uint32_t client = shared ? 0 : screen.client->LocalAddress();
        ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Waiting, 1, nullptr, client));
    }
    // A LIST answered to this client: every datagram sent before it has been carried out.
    void RoundTrip(Screen& screen) {
        ASSERT_TRUE(screen.client->SendCommand(CMD_LIST));
        for (std::size_t i = 0; i < harness.catalogue.Count(); ++i)
            ExpectFirstProgramReply(*screen.client);
    }

    ServerHarness harness;
    const bool shared;
    TempDir dir;
};

TEST_F(ClientSessionsTest, TwoClientsStreamTheirOwnProgramsAtOnceAndCommandsTouchOnlyTheSendersSession) {
    AddProgram(1, MEDIA_AVI, kSize - 4096, 0x1000000);
    AddProgram(2, MEDIA_MPEG1, 0, 0x2000000);
    const Bytes fileA = PatternBytes(kSize, 0x1000000), fileB = PatternBytes(kSize, 0x2000000);
    Screen a = Connect(kClientA), b = Connect(kClientB);
    PlayUntilTheServerWaits(a, 1);
    PlayUntilTheServerWaits(b, 2);

    // PAUSE from A leaves B streaming to the end of its own file.
    ASSERT_TRUE(a.client->SendCommand(CMD_PAUSE));
    RoundTrip(a);
    EXPECT_EQ(ReadExactly(b.stream.get(), kSize), fileB);
    StreamEvent end;
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1, &end, kClientB));
    EXPECT_EQ(end.end, StreamEvent::End::EndOfFile);

    // STOP from A ends A's stream and leaves B's connection open.
    ASSERT_TRUE(a.client->SendCommand(CMD_STOP));
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1, &end, kClientA));
    EXPECT_EQ(end.end, StreamEvent::End::Stopped);
    EXPECT_TRUE(OpenAndIdle(b.stream.get()));

    // DISCONNECT from A closes A's stream, which carried A's own program only, and ends A's session; B goes on.
    ASSERT_TRUE(a.client->SendCommand(CMD_DISCONNECT));
    bool closed = false;
    const Bytes gotA = ReadToClose(a.stream.get(), &closed);
    EXPECT_TRUE(closed);
    const Bytes expectedA = Join(Slice(fileA, kSize - 4096, kSize), fileA);
    ASSERT_LE(gotA.size(), expectedA.size());
    EXPECT_EQ(gotA, Slice(expectedA, 0, gotA.size()));
    ASSERT_TRUE(a.client->SendPlay(1)); // A has no session any more: starts nothing
    ASSERT_TRUE(b.client->SendPlay(2));
    EXPECT_EQ(ReadExactly(b.stream.get(), kSize), fileB);
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Started, kClientA), 1);
}

class TwoSessionsTest : public ClientSessionsTest {
protected:
    TwoSessionsTest() : ClientSessionsTest(2) {}
};

TEST_F(TwoSessionsTest, AThirdClientEndsTheLongestIdleSessionAndAnAddressWithoutOneChangesNothing) {
    AddProgram(1, MEDIA_MPEG1, 0, 0x1000000);
    Screen a = Connect(kClientA), b = Connect(kClientB);
    RoundTrip(a); // B is now the one heard from longest ago
    Screen c = Connect(kClientC);
    bool closed = false;
    EXPECT_TRUE(ReadToClose(b.stream.get(), &closed).empty());
    EXPECT_TRUE(closed) << "B's session ended";
    EXPECT_TRUE(OpenAndIdle(a.stream.get()));

    // B's commands reach no session: neither A's stream nor C's session notices them, and B hears nothing.
    PlayUntilTheServerWaits(a, 1);
    for (const std::uint32_t code : {CMD_PAUSE, CMD_STOP, CMD_DISCONNECT, CMD_LIST})
        ASSERT_TRUE(b.client->SendCommand(code));
    ASSERT_TRUE(b.client->SendPlay(1));
    RoundTrip(c);
    EXPECT_EQ(ReadExactly(a.stream.get(), kSize), PatternBytes(kSize, 0x1000000));
    StreamEvent end;
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1, &end, kClientA));
    EXPECT_EQ(end.end, StreamEvent::End::EndOfFile);
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Started), 1);
    Reply reply;
    EXPECT_EQ(b.client->NextReply(reply, 0), CommandClient::Wait::TimedOut);
    EXPECT_TRUE(OpenAndIdle(c.stream.get()));
}

// With one session shared by every client, as by default, the allow list keeps outsiders from taking it over.
class AllowListTest : public ClientSessionsTest {
protected:
    AllowListTest() : ClientSessionsTest(1) { harness.service.SetAllowList(*AllowList::Parse("127.0.0.0/30")); }
    // Where datagrams cannot come from outside the list, a CONNECT naming an address outside it still can.
    void SetUp() override { ASSERT_TRUE(harness.Start()); }
};

TEST_F(AllowListTest, DatagramsFromOutsideAndConnectsNamingAnOutsideAddressAreIgnored) {
    AddProgram(1, MEDIA_MPEG1, 0, 0x1000000);
    Screen a = Connect(kClientA);
    PlayUntilTheServerWaits(a, 1);
    Screen outside = Open(kOutside);
    if (LoopbackSourcesKept()) {
        ASSERT_TRUE(outside.client->SendConnect());
        for (const std::uint32_t code : {CMD_LIST, CMD_PAUSE, CMD_STOP, CMD_DISCONNECT})
            ASSERT_TRUE(outside.client->SendCommand(code));
    }
    // An allowed client naming the outside address.
    CommandClient& named = *outside.client;
    ASSERT_TRUE(a.client->Send(EncodeConnect(named.LocalAddress(), named.ReplyPort(), named.StreamPort())));
    RoundTrip(a); // and the replies still go to A

    Reply reply;
    EXPECT_EQ(named.NextReply(reply, 0), CommandClient::Wait::TimedOut);
    EXPECT_FALSE(named.AcceptStream(0)) << "the server connected to an address outside the list";
    EXPECT_EQ(ReadExactly(a.stream.get(), kSize), PatternBytes(kSize, 0x1000000));
    StreamEvent end;
    ASSERT_TRUE(harness.events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::EndOfFile);
}

// Stopping the service waits for none of the clients that stopped reading their streams.
TEST_F(ClientSessionsTest, StopEndsEverySessionsStalledStream) {
    AddProgram(1, MEDIA_MPEG1, 0, 0x1000000);
    Screen a = Connect(kClientA), b = Connect(kClientB);
    PlayUntilTheServerWaits(a, 1);
    PlayUntilTheServerWaits(b, 1);
    auto stopped = std::async(std::launch::async, [&] { harness.service.Stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::milliseconds(kWaitMs)), std::future_status::ready);
    for (Screen* screen : {&a, &b}) {
        bool closed = false;
        ReadToClose(screen->stream.get(), &closed);
        EXPECT_TRUE(closed);
    }
    EXPECT_EQ(harness.events.Count(StreamEvent::Kind::Ended), 2);
}

TEST(AllowList, ReadsAddressesAndNetworksAndRejectsAnythingElse) {
    const struct {
        const char* text;
        std::vector<std::uint32_t> allowed, refused;
    } valid[] = {
        {"192.168.1.0/24", {0xC0A80100, 0xC0A801FF}, {0xC0A80200, 0xC0A70101}},
        {"192.168.1.77/24", {0xC0A80105}, {0xC0A80205}}, // host bits below the prefix do not count
        {"10.0.0.5", {0x0A000005}, {0x0A000004, 0x0A000006}},
        {"10.0.0.0/8,127.0.0.1", {0x0AFFFFFF, 0x7F000001}, {0x0B000000, 0x7F000002}},
        {"0.0.0.0/0", {0, 0xFFFFFFFF}, {}},
    };
    for (const auto& row : valid) {
        SCOPED_TRACE(row.text);
        const std::optional<AllowList> list = AllowList::Parse(row.text);
        ASSERT_TRUE(list);
        for (const std::uint32_t address : row.allowed)
            EXPECT_TRUE(list->Allows(address)) << address;
        for (const std::uint32_t address : row.refused)
            EXPECT_FALSE(list->Allows(address)) << address;
    }
    for (const char* text : {"", "10.0.0.0/33", "10.0.0.0/", "10.0.0/8", "10.0.0.0/8,", "256.0.0.1", "1.2.3.4/+8",
                             " 1.2.3.4", "1.2.3.-4", "1.2.3.4.5", "lan"}) {
        SCOPED_TRACE(text);
        std::string error;
        EXPECT_FALSE(AllowList::Parse(text, &error));
        EXPECT_NE(error.find("is not an IPv4 address range"), std::string::npos);
    }
    EXPECT_TRUE(AllowList().Allows(0x08080808)) << "by default every address";
}

} // namespace
} // namespace tarnvale::test
