// The TCP connection with its worker thread, and the sending loop of a program's file.
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
// The file is read this much at a time and sent in pieces from there: one system read per many pieces.
constexpr std::size_t kReadAheadBytes = 64 * 1024;

} // namespace

CTcpClient::~CTcpClient() {
    Close();
    Stop();
}

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
    std::lock_guard lock(connectionMutex_);
    connection_ = std::make_shared<platform::Socket>(std::move(socket));
    return true;
}

void CTcpClient::Close() {
    Connection old;
    {
        std::lock_guard lock(connectionMutex_);
        old = std::move(connection_);
    }
    // Shutting down wakes a send under way on another thread (closing alone does not, on every system); the
    // socket itself closes when the last send using it lets go.
    if (old)
        platform::ShutdownSocket(old->get());
}

bool CTcpClient::Start() {
    if (!Connected())
        return false;
    if (running_.load())
        return true;
    if (worker_.joinable())
        worker_.join(); // ended on its own
    running_ = true;
    try {
        worker_ = std::thread(&CTcpClient::Worker, this);
    } catch (const std::system_error&) {
        running_ = false;
        return false;
    }
    return true;
}

void CTcpClient::Stop() {
    running_ = false;
    OnStop();
    if (worker_.joinable())
        worker_.join();
}

bool CTcpClient::Connected() const {
    std::lock_guard lock(connectionMutex_);
    return connection_ != nullptr;
}

CTcpClient::Connection CTcpClient::CurrentConnection() const {
    std::lock_guard lock(connectionMutex_);
    return connection_;
}

void CTcpClient::CloseIfCurrent(const Connection& connection) {
    {
        std::lock_guard lock(connectionMutex_);
        if (!connection || connection_ != connection)
            return;
        connection_.reset();
    }
    platform::ShutdownSocket(connection->get());
}

CTcpClient::SendOutcome CTcpClient::SendAll(const Connection& connection, const std::uint8_t* data, std::size_t size) {
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
        OnSendWaiting();
        if (!running_.load())
            return SendOutcome::Stopped;
        if (platform::WaitWritable(socket, kSendSliceMs) == platform::WaitResult::Failed)
            return SendOutcome::Failed;
    }
    return SendOutcome::Sent;
}

void CTcpClient::Worker() {
    Run();
    running_ = false;
}

const char* StreamEndText(StreamEvent::End end) {
    static constexpr const char* kTexts[] = {
        "running", "end of file", "stopped", "send failed, connection closed", "no connection", "file not open"};
    return kTexts[static_cast<int>(end)];
}

CStreamSender::~CStreamSender() {
    Close();
    Stop();
    std::lock_guard lock(fileMutex_);
    file_.Close();
}

bool CStreamSender::Open(const CMediaInfo& record) {
    platform::FileReader file;
    const bool opened = file.Open(record.m_szFile);
    std::lock_guard lock(fileMutex_);
    program_ = record;
    file_ = std::move(file);
    // A running worker goes on with this file's first byte, and a tail block under way is over.
    position_ = 0;
    tailEnd_ = 0;
    readAheadBytes_ = 0;
    return opened;
}

void CStreamSender::SetPaused(bool paused) {
    {
        std::lock_guard lock(pauseMutex_);
        paused_ = paused;
    }
    pauseChanged_.notify_all();
}

CMediaInfo CStreamSender::Program() const {
    std::lock_guard lock(fileMutex_);
    return program_;
}

void CStreamSender::OnStop() {
    // Taking the lock orders this wake-up after a waiter's test of the flags, so it cannot be lost.
    { std::lock_guard lock(pauseMutex_); }
    pauseChanged_.notify_all();
}

void CStreamSender::OnSendWaiting() {
    if (waitingReported_)
        return;
    waitingReported_ = true;
    Report(StreamEvent::Kind::Waiting, StreamEvent::End::None, 0, 0);
}

void CStreamSender::WaitWhilePaused() {
    std::unique_lock lock(pauseMutex_);
    pauseChanged_.wait_for(lock, kPausePoll, [this] { return !paused_.load() || !Running(); });
}

void CStreamSender::BeginStream() {
    std::lock_guard lock(fileMutex_);
    const std::int64_t offset = program_.m_nTailOffset;
    const std::int64_t end = program_.m_nSize;
    const bool tail = file_.IsOpen() && offset > 0 && offset < end;
    position_ = tail ? static_cast<std::uint64_t>(offset) : 0;
    tailEnd_ = tail ? static_cast<std::uint64_t>(end) : 0;
}

std::size_t CStreamSender::ReadTail(std::uint8_t* buffer, std::size_t size) {
    std::lock_guard lock(fileMutex_);
    if (tailEnd_ == 0 || !file_.IsOpen())
        return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(tailEnd_ - position_, size));
    std::size_t got = 0;
    if (!file_.ReadAt(position_, buffer, want, got))
        got = 0;
    position_ += got;
    // A file shorter than its record gives only the bytes it has.
    if (got < want || position_ >= tailEnd_) {
        position_ = 0;
        tailEnd_ = 0;
    }
    return got;
}

void CStreamSender::EndTail() {
    // Nothing has been read since an Open meanwhile (only the worker reads), so this is where Open put it too.
    std::lock_guard lock(fileMutex_);
    position_ = 0;
    tailEnd_ = 0;
}

std::size_t CStreamSender::ReadPiece(std::uint8_t* buffer, std::size_t size) {
    std::lock_guard lock(fileMutex_);
    if (!file_.IsOpen())
        return 0;
    if (position_ < readAheadAt_ || position_ + size > readAheadAt_ + readAheadBytes_) {
        readAhead_.resize(kReadAheadBytes);
        readAheadAt_ = position_;
        if (!file_.ReadAt(position_, readAhead_.data(), readAhead_.size(), readAheadBytes_))
            readAheadBytes_ = 0;
    }
    const std::size_t from = static_cast<std::size_t>(position_ - readAheadAt_);
    const std::size_t got = std::min(size, readAheadBytes_ - from);
    std::memcpy(buffer, readAhead_.data() + from, got);
    position_ += got;
    return got;
}

std::uint64_t CStreamSender::SendTailBlock(std::uint8_t* buffer, std::size_t bufferSize) {
    // The whole block goes on the connection current at its start. It is read and sent in bounded pieces, so a
    // record announcing a huge block never needs a buffer of that size.
    const Connection connection = CurrentConnection();
    std::uint64_t sent = 0;
    while (Running()) {
        const std::size_t got = ReadTail(buffer, bufferSize);
        // A failed send here ends only the tail block; the first piece of the file finds out what the
        // connection is worth.
        if (got == 0 || !connection || SendAll(connection, buffer, got) != SendOutcome::Sent)
            break;
        sent += got;
    }
    EndTail();
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
    waitingReported_ = false;
    BeginStream();
    Report(StreamEvent::Kind::Started, StreamEvent::End::None, 0, 0);
    const std::uint64_t tail = SendTailBlock(buffer.data(), buffer.size());
    std::uint64_t total = tail;
    StreamEvent::End end = StreamEvent::End::Stopped;
    while (Running()) {
        if (paused_.load()) {
            WaitWhilePaused();
            continue;
        }
        const std::size_t got = ReadPiece(buffer.data(), kPieceBytes);
        if (got == 0) {
            std::lock_guard lock(fileMutex_);
            end = file_.IsOpen() ? StreamEvent::End::EndOfFile : StreamEvent::End::NoFile;
            break;
        }
        const Connection connection = CurrentConnection();
        if (!connection) {
            end = StreamEvent::End::NoConnection;
            break;
        }
        const SendOutcome outcome = SendAll(connection, buffer.data(), got);
        if (outcome == SendOutcome::Failed) {
            CloseIfCurrent(connection);
            end = StreamEvent::End::SendFailed;
            break;
        }
        if (outcome == SendOutcome::Stopped)
            break;
        total += got;
        if (got < kPieceBytes) {
            end = StreamEvent::End::EndOfFile;
            break;
        }
    }
    EndRunning();
    Report(StreamEvent::Kind::Ended, end, tail, total);
}

} // namespace tarnvale
