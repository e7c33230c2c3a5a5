// The TCP connection, and the stream worker's sending loop.
#include "net/StreamSender.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>
#include <vector>

namespace tarnvale {
namespace {

// How long a send waits for a client to take data before the worker looks at its running flag again.
constexpr int kSendSliceMs = 20;
// The paused worker's poll; SetPaused and Stop also wake it at once.
constexpr auto kPausePoll = std::chrono::milliseconds(10);

} // namespace

bool CTcpClient::Connect(std::uint32_t address, std::uint16_t port, const std::atomic<bool>* abandon) {
    Close();
    platform::Socket socket = platform::CreateTcpSocket();
    if (!socket)
        return false;
    platform::SetNoDelay(socket.get(), true);
    platform::SetLingerOff(socket.get());
    if (!platform::Connect(socket.get(), platform::Endpoint{address, port}, abandon))
        return false;
    // The worker's sends wait in slices of their own, so that Stop is never held up by a client that does not
    // read.
    platform::SetNonBlocking(socket.get(), true);
    std::lock_guard lock(mutex_);
    connection_ = std::make_shared<platform::Socket>(std::move(socket));
    return true;
}

void CTcpClient::Close() {
    Connection old;
    {
        std::lock_guard lock(mutex_);
        old = std::move(connection_);
    }
    // Shutting down wakes a send under way on another thread (closing alone does not, on every system); the
    // socket itself closes when the last send using it lets go.
    if (old)
        platform::ShutdownSocket(old->get());
}

bool CTcpClient::Connected() const {
    std::lock_guard lock(mutex_);
    return connection_ != nullptr;
}

CTcpClient::Connection CTcpClient::Current() const {
    std::lock_guard lock(mutex_);
    return connection_;
}

void CTcpClient::CloseIfCurrent(const Connection& connection) {
    {
        std::lock_guard lock(mutex_);
        if (!connection || connection_ != connection)
            return;
        connection_.reset();
    }
    platform::ShutdownSocket(connection->get());
}

CTcpClient::SendOutcome CTcpClient::SendAll(const Connection& connection, const std::uint8_t* data, std::size_t size,
                                            const std::function<bool()>& goOn) {
    const platform::NativeSocket socket = connection->get();
    while (size > 0) {
        const platform::IoResult sent = platform::Send(socket, data, size);
        if (sent.status == platform::IoStatus::Ok) {
            data += sent.bytes;
            size -= sent.bytes;
            continue;
        }
        if (sent.status != platform::IoStatus::WouldBlock)
            return SendOutcome::Failed;
        if (!goOn())
            return SendOutcome::Stopped;
        if (platform::WaitWritable(socket, kSendSliceMs) == platform::WaitResult::Failed)
            return SendOutcome::Failed;
    }
    return SendOutcome::Sent;
}

const char* StreamEndText(StreamEvent::End end) {
    static constexpr const char* kTexts[] = {
        "running", "end of file", "stopped", "send failed, connection closed", "no connection", "file not open"};
    return kTexts[static_cast<int>(end)];
}

CStreamSender::~CStreamSender() {
    Close();
    Stop();
    reader_.Close();
}

bool CStreamSender::Start() {
    if (!Connected())
        return false;
    return worker_.Start([this] { Run(); });
}

void CStreamSender::SetPaused(bool paused) {
    {
        std::lock_guard lock(pauseMutex_);
        paused_ = paused;
    }
    pauseChanged_.notify_all();
}

void CStreamSender::WakePaused() {
    // Taking the lock orders this wake-up after a waiter's test of the flags, so it cannot be lost.
    { std::lock_guard lock(pauseMutex_); }
    pauseChanged_.notify_all();
}

bool CStreamSender::KeepWaiting() {
    if (!waitingReported_) {
        waitingReported_ = true;
        Report(StreamEvent::Kind::Waiting, StreamEvent::End::None, 0, 0);
    }
    return Running();
}

void CStreamSender::WaitWhilePaused() {
    std::unique_lock lock(pauseMutex_);
    pauseChanged_.wait_for(lock, kPausePoll, [this] { return !paused_.load() || !Running(); });
}

std::uint64_t CStreamSender::SendTailBlock(std::uint8_t* buffer, std::size_t bufferSize) {
    // The whole block goes on the connection current at its start. It is read and sent in bounded pieces, so a
    // record announcing a huge block never needs a buffer of that size.
    const CTcpClient::Connection connection = connection_.Current();
    const std::function<bool()> keepWaiting = [this] { return KeepWaiting(); };
    std::uint64_t sent = 0;
    while (Running()) {
        const std::size_t got = reader_.ReadTail(buffer, bufferSize);
        // A failed send here ends only the tail block; the first piece of the file finds out what the
        // connection is worth.
        if (got == 0 || !connection ||
            CTcpClient::SendAll(connection, buffer, got, keepWaiting) != CTcpClient::SendOutcome::Sent)
            break;
        sent += got;
    }
    reader_.EndTail();
    return sent;
}

void CStreamSender::Report(StreamEvent::Kind kind, StreamEvent::End end, std::uint64_t tail, std::uint64_t total) {
    if (!observer_)
        return;
    StreamEvent event;
    event.kind = kind;
    event.end = end;
    event.program = Program();
    event.tailBytes = tail;
    event.totalBytes = total;
    observer_(event);
}

void CStreamSender::Run() {
    // One buffer for the worker's life: the tail block's pieces, then the file's 2048-byte pieces.
    std::vector<std::uint8_t> buffer(kTailPieceBytes);
    const std::function<bool()> keepWaiting = [this] { return KeepWaiting(); };
    waitingReported_ = false;
    reader_.Rewind();
    Report(StreamEvent::Kind::Started, StreamEvent::End::None, 0, 0);
    const std::uint64_t tail = SendTailBlock(buffer.data(), buffer.size());
    std::uint64_t total = tail;
    StreamEvent::End end = StreamEvent::End::Stopped;
    while (Running()) {
        if (paused_.load()) {
            WaitWhilePaused();
            continue;
        }
        const std::size_t got = reader_.ReadPiece(buffer.data(), kPieceBytes);
        if (got == 0) {
            end = reader_.IsOpen() ? StreamEvent::End::EndOfFile : StreamEvent::End::NoFile;
            break;
        }
        const CTcpClient::Connection connection = connection_.Current();
        if (!connection) {
            end = StreamEvent::End::NoConnection;
            break;
        }
        const CTcpClient::SendOutcome outcome = CTcpClient::SendAll(connection, buffer.data(), got, keepWaiting);
        if (outcome == CTcpClient::SendOutcome::Failed) {
            connection_.CloseIfCurrent(connection);
            end = StreamEvent::End::SendFailed;
            break;
        }
        if (outcome == CTcpClient::SendOutcome::Stopped)
            break;
        total += got;
        if (got < kPieceBytes) {
            end = StreamEvent::End::EndOfFile;
            break;
        }
    }
    worker_.EndRunning();
    Report(StreamEvent::Kind::Ended, end, tail, total);
}

} // namespace tarnvale
