// CTcpClient owns one outgoing TCP connection; CStreamSender sends a catalogue program over it from a worker
// thread, reading the program through a ProgramReader.
#pragma once

#include "core/MediaInfo.h"
#include "net/ProgramReader.h"
#include "net/WorkerThread.h"
#include "platform/Socket.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace tarnvale {

// One outgoing TCP connection that may be replaced or closed while another thread sends on it.
class CTcpClient {
public:
    CTcpClient() = default;
    ~CTcpClient() { Close(); }
    CTcpClient(const CTcpClient&) = delete;
    CTcpClient& operator=(const CTcpClient&) = delete;

    // Replaces the connection with a new one to address:port (host order), with TCP_NODELAY and no lingering on
    // close. Waits until the connect succeeds or fails, or until *abandon turns true (for shutting down while a
    // client's address does not answer); false leaves no connection.
    bool Connect(std::uint32_t address, std::uint16_t port, const std::atomic<bool>* abandon = nullptr);
    // Closes the connection. A send under way on it fails.
    void Close();
    bool Connected() const;

    // The connection is shared with the sender, which takes it afresh for every piece: a replaced or closed
    // connection stays a valid (shut down) socket for as long as a send still uses it.
    using Connection = std::shared_ptr<platform::Socket>;
    Connection Current() const;
    // Closes connection only if it is still the current one; a newer connection is left alone.
    void CloseIfCurrent(const Connection& connection);

    enum class SendOutcome { Sent, Failed, Stopped };
    // Sends all of data. When the connection is full it waits for the client in short slices, asking goOn
    // before each, so that a stop never waits on a client that has stopped reading.
    static SendOutcome SendAll(const Connection& connection, const std::uint8_t* data, std::size_t size,
                               const std::function<bool()>& goOn);

private:
    mutable std::mutex mutex_;
    Connection connection_;
};

// What the stream worker reports as it starts and ends (on the worker thread).
struct StreamEvent {
    // Waiting: the client stopped taking data as fast as it comes (reported once per stream).
    enum class Kind { Started, Waiting, Ended };
    enum class End { None, EndOfFile, Stopped, SendFailed, NoConnection, NoFile };
    Kind kind = Kind::Started;
    End end = End::None;
    CMediaInfo program;           // the program the worker started with, or sent last
    std::uint64_t tailBytes = 0;  // Ended: bytes of the tail block sent
    std::uint64_t totalBytes = 0; // Ended: all bytes sent, tail block included
    std::uint32_t client = 0;     // with a session per client, the client's address; 0 when clients share one
};

const char* StreamEndText(StreamEvent::End end);

// Sends a catalogue program over its connection on a worker thread: the tail block first, then the whole file in
// 2048-byte pieces, with pause, stop, switching files between pieces and a connection that may be replaced under
// a running worker.
class CStreamSender {
public:
    static constexpr std::size_t kPieceBytes = 2048;
    // The tail block is read and sent in pieces of this size, whatever length the record announces.
    static constexpr std::size_t kTailPieceBytes = 64 * 1024;

    CStreamSender() = default;
    // Closes the connection, stops the worker, then closes the file.
    ~CStreamSender();
    CStreamSender(const CStreamSender&) = delete;
    CStreamSender& operator=(const CStreamSender&) = delete;

    // The connection the stream goes to (see CTcpClient). Closing it ends a running worker's stream at its next
    // piece.
    bool Connect(std::uint32_t address, std::uint16_t port, const std::atomic<bool>* abandon = nullptr) {
        return connection_.Connect(address, port, abandon);
    }
    void Close() { connection_.Close(); }
    bool Connected() const { return connection_.Connected(); }

    // Copies record, closes the open file and opens record's file for reading. A running worker goes on with
    // the new file from its first byte at its next piece; if the file cannot be opened, it ends there instead.
    bool Open(const CMediaInfo& record) { return reader_.Open(record); }
    CMediaInfo Program() const { return reader_.Program(); }

    // Starts the worker when there is a connection and no worker running; true when one runs afterwards.
    bool Start();
    // Ends the worker and waits for it. A worker waiting for a client that does not read ends within a slice.
    void Stop() { worker_.Stop(); }
    bool Running() const { return worker_.Running(); }
    void SetPaused(bool paused);
    bool Paused() const { return paused_.load(); }

    // Set before the first Start; called on the worker thread.
    void SetObserver(std::function<void(const StreamEvent&)> observer) { observer_ = std::move(observer); }

private:
    // The worker's body.
    void Run();
    // Wakes a paused worker; Stop calls it once the running flag is clear.
    void WakePaused();
    std::uint64_t SendTailBlock(std::uint8_t* buffer, std::size_t bufferSize);
    // Asked by a send that finds the connection full: tells the observer once per stream, and says whether
    // to go on waiting.
    bool KeepWaiting();
    void WaitWhilePaused();
    void Report(StreamEvent::Kind kind, StreamEvent::End end, std::uint64_t tail, std::uint64_t total);

    std::function<void(const StreamEvent&)> observer_;
    bool waitingReported_ = false; // worker thread only
    std::atomic<bool> paused_{false};
    std::mutex pauseMutex_;
    std::condition_variable pauseChanged_;
    CTcpClient connection_;
    ProgramReader reader_;
    // Last, so that it is stopped before anything it uses goes.
    WorkerThread worker_{[this] { WakePaused(); }};
};

} // namespace tarnvale
