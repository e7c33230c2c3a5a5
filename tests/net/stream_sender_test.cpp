// The stream sender against a real loopback TCP peer: the exact bytes of every stream shape (tail block, pieces,
// records that disagree with their files; the command service's tests leave these to this one), and the worker's
// life under pause, stop, file switches, closing and a connection replaced while it runs.
#include "NetTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tarnvale::test {
namespace {

// A peer that accepts the sender's connections on 127.0.0.1.
class Peer {
public:
    explicit Peer(int receiveBuffer = 0) {
        listener_ = platform::CreateTcpSocket();
        if (receiveBuffer > 0)
            platform::RequestReceiveBuffer(listener_.get(), receiveBuffer);
        EXPECT_TRUE(platform::Bind(listener_.get(), platform::Endpoint{platform::kLoopbackAddress, 0}));
        EXPECT_TRUE(platform::Listen(listener_.get(), 4));
        platform::Endpoint local;
        EXPECT_TRUE(platform::LocalEndpoint(listener_.get(), local));
        port_ = local.port;
    }
    std::uint16_t Port() const { return port_; }
    // Connects sender to this peer and takes the connection.
    platform::Socket Connect(CStreamSender& sender) {
        EXPECT_TRUE(sender.Connect(platform::kLoopbackAddress, port_));
        if (platform::WaitReadable(listener_.get(), kWaitMs) != platform::WaitResult::Ready)
            return platform::Socket();
        return platform::Accept(listener_.get());
    }

private:
    platform::Socket listener_;
    std::uint16_t port_ = 0;
};

class StreamSenderTest : public ::testing::Test {
protected:
    void SetUp() override { events.Attach(sender); }
    void TearDown() override {
        sender.Close();
        sender.Stop();
    }
    // Writes a pattern file and returns its record.
    CMediaInfo MakeProgram(const std::string& name, std::size_t size, std::int64_t recordSize, std::int32_t tail,
                           std::uint32_t base = 0) {
        const std::string path = dir.File(name);
        WriteFile(path, PatternBytes(size, base));
        return Record(path, 1, 2, recordSize, tail);
    }

    SocketLibrary sockets;
    TempDir dir;
    CStreamSender sender;
    EventLog events;
};

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(StreamSenderTest, SendsTheTailBlockThenTheWholeFileAndKeepsTheConnection) {
    const struct {
        const char* name;
        std::size_t fileSize;
        std::int64_t recordSize;
        std::int32_t tail;
        std::size_t tailFrom, tailTo; // the tail block expected, as a range of the file
    } rows[] = {
        {"exactly two pieces, no tail", 4096, 4096, 0, 0, 0},
        {"two pieces and a short one", 5000, 5000, 0, 0, 0},
        {"one short piece", 100, 100, 0, 0, 0},
        {"empty file", 0, 0, 0, 0, 0},
        {"AVI index near the end", 10000, 10000, 9000, 9000, 10000},
        {"tail block over many bounded pieces", 300000, 300000, 4, 4, 300000},
        {"tail offset equal to the size", 6000, 6000, 6000, 0, 0},
        {"tail offset beyond the size", 6000, 6000, 7000, 0, 0},
        {"negative tail offset (MPEG2 under 1 MiB)", 6000, 6000, 6000 - 1048576, 0, 0},
        {"file shorter than its record", 8000, 12000, 7000, 7000, 8000},
        {"record claiming 2 GiB: only the file's bytes, no huge buffer", 8192, 0x7FFFFFFF, 4096, 4096, 8192},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Peer peer;
        platform::Socket stream = peer.Connect(sender);
        ASSERT_TRUE(stream);
        const CMediaInfo program =
            MakeProgram("program" + std::to_string(&row - rows) + ".avi", row.fileSize, row.recordSize, row.tail);
        const Bytes file = PatternBytes(row.fileSize);
        const int ended = events.Count(StreamEvent::Kind::Ended) + 1;
        ASSERT_TRUE(sender.Open(program));
        ASSERT_TRUE(sender.Start());
        const Bytes expected = Join(Slice(file, row.tailFrom, row.tailTo), file);
        StreamEvent end;
        ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, ended, &end));
        EXPECT_EQ(end.end, StreamEvent::End::EndOfFile);
        EXPECT_EQ(end.totalBytes, expected.size());
        EXPECT_EQ(ReadExactly(stream.get(), expected.size()), expected);
        EXPECT_TRUE(OpenAndIdle(stream.get())) << "the connection stays open, with nothing after the file";
        EXPECT_TRUE(sender.Connected());
        EXPECT_FALSE(sender.Running());
    }
}

TEST_F(StreamSenderTest, StartAfterTheEndSendsEverythingAgainAndStartWhileRunningStartsNoSecondWorker) {
    Peer peer;
    platform::Socket stream = peer.Connect(sender);
    ASSERT_TRUE(stream);
    const CMediaInfo program = MakeProgram("a.avi", 6000, 6000, 5000);
    const Bytes file = PatternBytes(6000);
    const Bytes once = Join(Slice(file, 5000, 6000), file);
    ASSERT_TRUE(sender.Open(program));
    sender.SetPaused(true); // holds the worker, so the second Start surely finds it running
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Started, 1));
    EXPECT_TRUE(sender.Start());
    sender.SetPaused(false);
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 1));
    EXPECT_EQ(events.Count(StreamEvent::Kind::Started), 1);
    EXPECT_EQ(ReadExactly(stream.get(), once.size()), once);

    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 2));
    EXPECT_EQ(ReadExactly(stream.get(), once.size()), once);
}

TEST_F(StreamSenderTest, StartNeedsAConnectionAndAFailedConnectLeavesNone) {
    const CMediaInfo program = MakeProgram("a.mpg", 100, 100, 0);
    ASSERT_TRUE(sender.Open(program));
    EXPECT_FALSE(sender.Start());
    std::uint16_t closedPort;
    {
        Peer gone;
        closedPort = gone.Port();
    }
    EXPECT_FALSE(sender.Connect(platform::kLoopbackAddress, closedPort));
    EXPECT_FALSE(sender.Connected());
    EXPECT_FALSE(sender.Start());
    EXPECT_EQ(events.Count(StreamEvent::Kind::Started), 0);
}

TEST_F(StreamSenderTest, PausedWorkerEndsOnStopAndSwitchesFilesBetweenPieces) {
    Peer peer;
    platform::Socket stream = peer.Connect(sender);
    ASSERT_TRUE(stream);
    // Paused before it starts: the tail block still goes, then the worker idles before its first piece.
    const CMediaInfo first = MakeProgram("first.avi", 8192, 8192, 6144, 0);
    const CMediaInfo second = MakeProgram("second.avi", 5000, 5000, 1000, 0x100000);
    ASSERT_TRUE(sender.Open(first));
    sender.SetPaused(true);
    ASSERT_TRUE(sender.Start());
    EXPECT_EQ(ReadExactly(stream.get(), 2048), Slice(PatternBytes(8192), 6144, 8192));

    // A new file while paused: the next piece is its first, with no tail block of its own.
    ASSERT_TRUE(sender.Open(second));
    sender.SetPaused(false);
    EXPECT_EQ(ReadExactly(stream.get(), 5000), PatternBytes(5000, 0x100000));
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 1));

    // Paused, then stopped: Stop returns and the connection stays.
    ASSERT_TRUE(sender.Open(first));
    sender.SetPaused(true);
    ASSERT_TRUE(sender.Start());
    EXPECT_EQ(ReadExactly(stream.get(), 2048).size(), 2048u);
    sender.Stop();
    StreamEvent end;
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 2, &end));
    EXPECT_EQ(end.end, StreamEvent::End::Stopped);
    EXPECT_TRUE(sender.Connected());
    EXPECT_TRUE(OpenAndIdle(stream.get()));
}

TEST_F(StreamSenderTest, AFileThatCannotBeOpenedEndsTheRunningWorker) {
    Peer peer;
    platform::Socket stream = peer.Connect(sender);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(sender.Open(MakeProgram("a.mpg", 8192, 8192, 0)));
    sender.SetPaused(true);
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Started, 1));
    EXPECT_FALSE(sender.Open(Record(dir.File("missing.mpg"), 2, 0, 100, 0)));
    sender.SetPaused(false);
    StreamEvent end;
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::NoFile);
    EXPECT_EQ(end.totalBytes, 0u);
    EXPECT_TRUE(OpenAndIdle(stream.get()));
}

TEST_F(StreamSenderTest, ConnectWhilePausedMovesTheStreamToTheNewConnection) {
    Peer oldPeer, newPeer;
    platform::Socket oldStream = oldPeer.Connect(sender);
    ASSERT_TRUE(oldStream);
    ASSERT_TRUE(sender.Open(MakeProgram("a.mpg", 10000, 10000, 0)));
    sender.SetPaused(true);
    ASSERT_TRUE(sender.Start());
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Started, 1));
    platform::Socket newStream = newPeer.Connect(sender);
    ASSERT_TRUE(newStream);
    bool closed = false;
    EXPECT_TRUE(ReadToClose(oldStream.get(), &closed).empty());
    EXPECT_TRUE(closed);
    sender.SetPaused(false);
    EXPECT_EQ(ReadExactly(newStream.get(), 10000), PatternBytes(10000));
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 1));
    EXPECT_TRUE(OpenAndIdle(newStream.get()));
}

// A client that stops reading: the worker waits for it, and each way out ends the wait.
class BlockedSenderTest : public StreamSenderTest {
protected:
    static constexpr std::size_t kFileBytes = 16 * 1024 * 1024;

    void SetUp() override {
        StreamSenderTest::SetUp();
        stream = peer.Connect(sender);
        ASSERT_TRUE(stream);
        ASSERT_TRUE(sender.Open(MakeProgram("big.mpg", kFileBytes, kFileBytes, 0)));
        ASSERT_TRUE(sender.Start());
        ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Waiting, 1)) << "the worker never had to wait";
    }

    Peer peer{4096};
    platform::Socket stream;
};

TEST_F(BlockedSenderTest, StopEndsTheWaitAndKeepsTheConnection) {
    sender.Stop();
    StreamEvent end;
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::Stopped);
    EXPECT_TRUE(sender.Connected());
    // What was queued arrives, in order, and the connection is still open afterwards.
    const Bytes got = ReadExactly(stream.get(), 2048);
    EXPECT_EQ(got, Slice(PatternBytes(2048), 0, 2048));
}

TEST_F(BlockedSenderTest, CloseMakesTheSendFail) {
    sender.Close();
    StreamEvent end;
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::SendFailed);
    EXPECT_FALSE(sender.Connected());
    bool closed = false;
    const Bytes got = ReadToClose(stream.get(), &closed);
    EXPECT_TRUE(closed);
    EXPECT_LT(got.size(), kFileBytes);
}

TEST_F(BlockedSenderTest, ConnectEndsTheSendOnTheOldConnectionAndLeavesTheNewOneIdle) {
    Peer newPeer;
    platform::Socket newStream = newPeer.Connect(sender);
    ASSERT_TRUE(newStream);
    StreamEvent end;
    ASSERT_TRUE(events.WaitFor(StreamEvent::Kind::Ended, 1, &end));
    EXPECT_EQ(end.end, StreamEvent::End::SendFailed);
    EXPECT_TRUE(sender.Connected()) << "the failed send must not close the newer connection";
    EXPECT_TRUE(OpenAndIdle(newStream.get()));

    // A fresh start on the new connection sends from the beginning.
    ASSERT_TRUE(sender.Open(MakeProgram("small.avi", 3000, 3000, 2000)));
    ASSERT_TRUE(sender.Start());
    const Bytes file = PatternBytes(3000);
    EXPECT_EQ(ReadExactly(newStream.get(), 4000), Join(Slice(file, 2000, 3000), file));
}

} // namespace
} // namespace tarnvale::test
