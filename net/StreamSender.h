// CTcpClient owns one outgoing TCP connection and one worker thread; CStreamSender sends a catalogue file over
// that connection: the tail block first, then the whole file in 2048-byte pieces, with pause, stop, switching
// files between pieces and a connection that may be replaced under a running worker.
#pragma once

#include "core/MediaInfo.h"
#include "platform/FileReader.h"
#include "platform/Socket.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnvale {

class CTcpClient {
public:
    CTcpClient() = default;
    // Closes the connection and joins the worker. A derived class must stop its worker in its own destructor,
    // since Run belongs to it.
    virtual ~CTcpClient();
    CTcpClient(const CTcpClient&) = delete;
    CTcpClient& operator=(const CTcpClient&) = delete;

    // Replaces the connection with a new one to address:port (host order), with TCP_NODELAY and no lingering on
    // close. Waits until the connect succeeds or fails, or until *abandon turns true (for shutting down while a
    // client's address does not answer); false leaves no connection.
    bool Connect(std::uint32_t address, std::uint16_t port, const std::atomic<bool>* abandon = nullptr);
    // Closes the connection. A worker sending on it sees its send fail.
    void Close();
    // Starts the worker when there is a connection and no worker running; true when one runs afterwards.
    bool Start();
    // Ends the worker and waits for it. A worker waiting for a client that does not read ends within a slice.
    void Stop();
    bool Connected() const;
    bool Running() const { return running_.load(); }

protected:
    // The worker's body; the worker ends when it returns.
    virtual void Run() {}
    // Called by Stop after the running flag is cleared: wakes a worker that waits for something else.
    virtual void OnStop() {}
    // Called on the worker thread when a send finds the connection full and starts waiting for the client.
    virtual void OnSendWaiting() {}

    // The connection is shared with the worker, which takes it afresh for every piece: a replaced or closed
    // connection stays a valid (shut down) socket for as long as a send still uses it.
    using Connection = std::shared_ptr<platform::Socket>;
    Connection CurrentConnection() const;
    // Closes connection only if it is still the current one; a newer connection is left alone.
    void CloseIfCurrent(const Connection& connection);
    void EndRunning() { running_ = false; }

    enum class SendOutcome { Sent, Failed, Stopped };
    // Sends all of data, waiting for the connection to take it in short slices and looking at the running flag
    // between them, so that Stop never waits on a client that has stopped reading.
    SendOutcome SendAll(const Connection& connection, const std::uint8_t* data, std::size_t size);

private:
    void Worker();

    mutable std::mutex connectionMutex_;
    Connection connection_;
    std::atomic<bool> running_{false};
    std::thread worker_;
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

class CStreamSender : public CTcpClient {
public:
    static constexpr std::size_t kPieceBytes = 2048;
    // The tail block is read and sent in pieces of this size, whatever length the record announces.
    static constexpr std::size_t kTailPieceBytes = 64 * 1024;

    CStreamSender() = default;
    // Closes the connection, stops the worker, then closes the file.
    ~CStreamSender() override;

    // Copies record, closes the open file and opens record's file for reading. A running worker goes on with
    // the new file from its first byte at its next piece; if the file cannot be opened, it ends there instead.
    bool Open(const CMediaInfo& record);
    void SetPaused(bool paused);
    bool Paused() const { return paused_.load(); }
    CMediaInfo Program() const;

    // Set before the first Start; called on the worker thread.
    void SetObserver(std::function<void(const StreamEvent&)> observer) { observer_ = std::move(observer); }

protected:
    void Run() override;
    void OnStop() override;
    void OnSendWaiting() override;

private:
    // Puts the read position where a new worker starts: at the tail block when the program has one, otherwise at
    // the file's first byte.
    void BeginStream();
    // The next bytes of the tail block (none once it is over, or when Open has replaced the file meanwhile).
    std::size_t ReadTail(std::uint8_t* buffer, std::size_t size);
    // Leaves the tail block, wherever it stands: the file follows from its first byte.
    void EndTail();
    // The next bytes of the file; 0 at the end, on a read error or without a file.
    std::size_t ReadPiece(std::uint8_t* buffer, std::size_t size);
    std::uint64_t SendTailBlock(std::uint8_t* buffer, std::size_t bufferSize);
    void WaitWhilePaused();
    void Report(StreamEvent::Kind kind, StreamEvent::End end, std::uint64_t tail, std::uint64_t total);

    // The program, its file and the read position, which Open resets while a worker reads.
    mutable std::mutex fileMutex_;
    CMediaInfo program_;
    platform::FileReader file_;
    std::uint64_t position_ = 0; // where the next read starts
    std::uint64_t tailEnd_ = 0;  // while the tail block is being read, where it ends; 0 otherwise
    // The file's bytes from readAheadAt_ on, read in one system call for many pieces.
    std::vector<std::uint8_t> readAhead_;
    std::uint64_t readAheadAt_ = 0;
    std::size_t readAheadBytes_ = 0;

    bool waitingReported_ = false; // worker thread only
    std::atomic<bool> paused_{false};
    std::mutex pauseMutex_;
    std::condition_variable pauseChanged_;

    std::function<void(const StreamEvent&)> observer_;
};

} // namespace tarnvale
