// Shared by the network tests: files whose bytes tell where they came from, stream readers with bounded waits,
// a log of the stream workers' events, and a whole command service with its catalogue, bound to 127.0.0.1 on a
// port the system picks.
#pragma once

#include "core/MediaInfoList.h"
#include "net/CommandClient.h"
#include "net/CommandService.h"
#include "net/StreamSender.h"
#include "platform/Socket.h"
#include "support/Records.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarnvale::test {

using Bytes = std::vector<std::uint8_t>;

// Generous: the sanitizers and Wine are slow, and a passing test never waits this long.
inline constexpr int kWaitMs = 20000;

// A file of size bytes whose 32-bit big-endian word at offset 4k holds k + base, so that any run of bytes from
// it shows where in which file it started.
inline Bytes PatternBytes(std::size_t size, std::uint32_t base = 0) {
    Bytes bytes((size + 3) / 4 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const std::uint32_t word = static_cast<std::uint32_t>(i / 4) + base;
        bytes[i] = static_cast<std::uint8_t>(word >> 24);
        bytes[i + 1] = static_cast<std::uint8_t>(word >> 16);
        bytes[i + 2] = static_cast<std::uint8_t>(word >> 8);
        bytes[i + 3] = static_cast<std::uint8_t>(word);
    }
    bytes.resize(size);
    return bytes;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    ASSERT_EQ(std::fclose(file), 0);
}

inline Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

inline Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Reads exactly count bytes, or fewer when the stream closes or nothing comes for kWaitMs.
inline Bytes ReadExactly(platform::NativeSocket socket, std::size_t count) {
    Bytes bytes(count);
    std::size_t filled = 0;
    while (filled < count) {
        platform::IoResult got = ReceiveWithin(socket, bytes.data() + filled, count - filled, kWaitMs);
        if (got.status != platform::IoStatus::Ok)
            break;
        filled += got.bytes;
    }
    bytes.resize(filled);
    return bytes;
}

// Reads until the peer closes the stream (or nothing comes for kWaitMs); closed says which it was.
inline Bytes ReadToClose(platform::NativeSocket socket, bool* closed = nullptr) {
    Bytes bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        platform::IoResult got = ReceiveWithin(socket, buffer, sizeof buffer, kWaitMs);
        if (got.status != platform::IoStatus::Ok) {
            if (closed)
                *closed = got.status == platform::IoStatus::Closed || got.status == platform::IoStatus::Failed;
            return bytes;
        }
        bytes.insert(bytes.end(), buffer, buffer + got.bytes);
    }
}

// The whole response (head and body) to a GET of path from the HTTP side on port of 127.0.0.1, asked for with Host
// "localhost" and the connection closed after it.
inline std::string HttpGet(std::uint16_t port, const std::string& path) {
    platform::Socket socket = platform::CreateTcpSocket();
    EXPECT_TRUE(platform::Connect(socket.get(), {platform::kLoopbackAddress, port}));
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(platform::Send(socket.get(), request.data(), request.size()).status, platform::IoStatus::Ok);
    const Bytes response = ReadToClose(socket.get());
    return std::string(response.begin(), response.end());
}

// Whether the stream is still open with nothing more queued: a non-blocking look, no waiting.
inline bool OpenAndIdle(platform::NativeSocket socket) {
    std::uint8_t byte;
    platform::SetNonBlocking(socket, true);
    const platform::IoResult got = platform::Receive(socket, &byte, 1);
    platform::SetNonBlocking(socket, false);
    return got.status == platform::IoStatus::WouldBlock;
}

// CMD_CONNECT, its answer, and the stream connection the server opens.
inline platform::Socket ConnectAndAccept(CommandClient& client) {
    EXPECT_EQ(client.Connect(kWaitMs), CommandClient::Wait::Got);
    platform::Socket stream = client.AcceptStream(kWaitMs);
    EXPECT_TRUE(stream);
    return stream;
}

// The next reply must be MSG_CONNECTED to a CMD_CONNECT sent now: commands are carried out in order and replies
// travel in order on loopback, so anything a datagram sent earlier caused would arrive first.
inline void ExpectNoReplyBeforeConnect(CommandClient& client) {
    ASSERT_TRUE(client.SendConnect());
    Reply reply;
    ASSERT_EQ(client.NextReply(reply, kWaitMs), CommandClient::Wait::Got);
    EXPECT_EQ(reply.code, MSG_CONNECTED);
}

inline void ExpectFirstProgramReply(CommandClient& client) {
    Reply reply;
    ASSERT_EQ(client.NextReply(reply, kWaitMs), CommandClient::Wait::Got);
    EXPECT_EQ(reply.code, MSG_PROGRAM);
}

// The stream worker's events, in order, with bounded waits for the next one of a kind.
class EventLog {
public:
    void Attach(CStreamSender& sender) { sender.SetObserver(Observer()); }
    void Attach(CommandService& service) { service.SetStreamObserver(Observer()); }
    // Waits for the index-th event of kind (counted from 1), of client's stream when client is not 0; false when
    // it does not come within kWaitMs.
    bool WaitFor(StreamEvent::Kind kind, int index, StreamEvent* event = nullptr, std::uint32_t client = 0) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] {
            int seen = 0;
            for (const StreamEvent& e : events_)
                if (e.kind == kind && (client == 0 || e.client == client) && ++seen == index) {
                    if (event)
                        *event = e;
                    return true;
                }
            return false;
        });
    }
    int Count(StreamEvent::Kind kind, std::uint32_t client = 0) const {
        std::lock_guard lock(mutex_);
        int n = 0;
        for (const StreamEvent& e : events_)
            n += e.kind == kind && (client == 0 || e.client == client);
        return n;
    }

private:
    std::function<void(const StreamEvent&)> Observer() {
        return [this](const StreamEvent& event) {
            {
                std::lock_guard lock(mutex_);
                events_.push_back(event);
            }
            changed_.notify_all();
        };
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<StreamEvent> events_;
};

// Log lines (the command service's, or a whole server's), with bounded waits for them.
class LineLog {
public:
    void Attach(CommandService& service) { service.SetLog(Sink()); }
    // Takes the lines given to it, from any thread.
    std::function<void(const std::string&)> Sink() {
        return [this](const std::string& line) {
            {
                std::lock_guard lock(mutex_);
                lines_.push_back(line);
            }
            changed_.notify_all();
        };
    }
    // Waits for a line that starts with start; false when none comes within kWaitMs.
    bool WaitFor(const std::string& start) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] {
            for (const std::string& line : lines_)
                if (line.rfind(start, 0) == 0)
                    return true;
            return false;
        });
    }
    // Waits for n lines that hold part; false when they do not come within kWaitMs.
    bool WaitForCount(const std::string& part, std::size_t n,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(kWaitMs)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return CountLocked(part) >= n; });
    }
    std::size_t Count(const std::string& part) {
        std::lock_guard lock(mutex_);
        return CountLocked(part);
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;

    std::size_t CountLocked(const std::string& part) const {
        std::size_t n = 0;
        for (const std::string& line : lines_)
            n += line.find(part) != std::string::npos;
        return n;
    }
};

// A whole command service on 127.0.0.1, serving one client at a time or, with a session limit above 1, each
// client address on its own.
class ServerHarness {
public:
    explicit ServerHarness(std::size_t sessions = 1) {
        service.SetSessionLimit(sessions);
        events.Attach(service);
        log.Attach(service);
        service.SetLocalAddress(platform::kLoopbackAddress);
        service.SetLocalPort(0);
    }
    bool Start() { return service.Start(); }
    // Writes a file of size pattern bytes (from base) to path and appends its record to the catalogue.
    CMediaInfo AddProgram(const std::string& path, std::int32_t pid, std::int32_t type, std::size_t size,
                          std::int32_t tail, std::uint32_t base = 0) {
        WriteFile(path, PatternBytes(size, base));
        CMediaInfo record = Record(path, pid, type, static_cast<std::int64_t>(size), tail);
        catalogue.Append(record);
        return record;
    }
    platform::Endpoint Address() const { return platform::Endpoint{platform::kLoopbackAddress, service.BoundPort()}; }

    SocketLibrary sockets;
    CMediaInfoList catalogue;
    // Before the service, whose threads report to them until it stops.
    EventLog events;
    LineLog log;
    CommandService service{catalogue};
};

} // namespace tarnvale::test
