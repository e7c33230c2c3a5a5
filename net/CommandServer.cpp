// The command server's sockets and receive loop.
#include "net/CommandServer.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace tarnvale {
namespace {

// How long the receive loop waits for a datagram before it looks at its flag again. Only StopReceiving clears
// the flag, and it also shuts the socket down, which wakes the wait at once where the system allows it.
constexpr int kReceiveSliceMs = 100;
// A receive error that keeps coming back (the socket itself broken) must not spin a core.
constexpr auto kErrorPause = std::chrono::milliseconds(20);

} // namespace

CCommandServer::~CCommandServer() {
    StopReceiving();
    receiveSocket_.reset();
    replySocket_.reset();
}

bool CCommandServer::OpenReceiveSocket(platform::SystemError* error) {
    // The receive thread reads the socket without a lock, so it ends before the socket is replaced.
    StopReceiving();
    receiveSocket_.reset();
    platform::Socket socket = platform::CreateUdpSocket(error);
    if (!socket)
        return false;
    if (!platform::SetReuseAddress(socket.get(), true, error) ||
        !platform::Bind(socket.get(), platform::Endpoint{localAddress_, localPort_}, error))
        return false;
    receiveSocket_ = std::move(socket);
    return true;
}

bool CCommandServer::OpenReplySocket() {
    replySocket_.reset();
    replySocket_ = platform::CreateUdpSocket();
    return static_cast<bool>(replySocket_);
}

bool CCommandServer::SendTo(const void* data, std::size_t length, platform::Endpoint target) {
    if (!replySocket_ || target.port == 0)
        return false;
    return platform::SendTo(replySocket_.get(), data, length, target).status == platform::IoStatus::Ok;
}

bool CCommandServer::StartReceiving(platform::SystemError* error) {
    if (!receiveSocket_ && !OpenReceiveSocket(error))
        return false;
    if (receiving_.load())
        return true;
    if (receiveThread_.joinable())
        receiveThread_.join();
    receiving_ = true;
    try {
        receiveThread_ = std::thread(&CCommandServer::ReceiveLoop, this);
    } catch (const std::system_error& failure) {
        receiving_ = false;
        if (error)
            *error = platform::SystemError{failure.code().value(),
                                           "cannot start the receive thread: " + failure.code().message()};
        return false;
    }
    return true;
}

void CCommandServer::StopReceiving() {
    if (!receiveThread_.joinable())
        return;
    receiving_ = false;
    if (receiveSocket_)
        platform::ShutdownSocket(receiveSocket_.get());
    receiveThread_.join();
    receiveSocket_.reset();
}

std::uint16_t CCommandServer::BoundPort() const {
    platform::Endpoint local;
    if (!receiveSocket_ || !platform::LocalEndpoint(receiveSocket_.get(), local))
        return 0;
    return local.port;
}

void CCommandServer::ReceiveLoop() {
    // One buffer for the thread's whole life; a command is carried out to its end before the next is read.
    std::uint8_t buffer[kReceiveBufferBytes];
    const platform::NativeSocket socket = receiveSocket_.get();
    while (receiving_.load()) {
        const platform::WaitResult waited = platform::WaitReadable(socket, kReceiveSliceMs);
        if (waited == platform::WaitResult::TimedOut)
            continue;
        platform::IoResult received{};
        platform::Endpoint source;
        if (waited == platform::WaitResult::Ready)
            received = platform::ReceiveFrom(socket, buffer, sizeof buffer, &source);
        if (!receiving_.load())
            break;
        // An empty datagram, one longer than the buffer and a passing error are not commands: the service
        // goes on with the next datagram.
        if (received.status == platform::IoStatus::Ok && received.bytes > 0) {
            ReceivedDatagram datagram{std::span(buffer, received.bytes), source};
            Notify(NOTIFY_DATAGRAM, &datagram, 0);
        } else if (received.status == platform::IoStatus::Failed || waited == platform::WaitResult::Failed) {
            std::this_thread::sleep_for(kErrorPause);
        }
    }
}

} // namespace tarnvale
