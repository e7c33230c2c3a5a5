// The protocol client.
#include "net/CommandClient.h"

#include <chrono>

namespace tarnvale {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

bool CommandClient::Open(platform::Endpoint server, platform::SystemError* error, int streamBufferBytes,
                         std::uint32_t localAddress) {
    server_ = server;
    localAddress_ = localAddress;
    if (localAddress == platform::kAnyAddress && !platform::LocalAddressFor(server.address, localAddress_, error))
        return false;
    reply_ = platform::CreateUdpSocket(error);
    if (!reply_ || !platform::Bind(reply_.get(), platform::Endpoint{localAddress_, 0}, error))
        return false;
    replyBufferBytes_ = platform::RequestReceiveBuffer(reply_.get(), kReplyBufferBytes);
    listener_ = platform::CreateTcpSocket(error);
    if (listener_ && streamBufferBytes > 0)
        platform::RequestReceiveBuffer(listener_.get(), streamBufferBytes); // accepted sockets inherit it
    if (!listener_ || !platform::Bind(listener_.get(), platform::Endpoint{localAddress_, 0}, error) ||
        !platform::Listen(listener_.get(), 4, error))
        return false;
    platform::Endpoint local;
    if (!platform::LocalEndpoint(reply_.get(), local, error))
        return false;
    replyPort_ = local.port;
    if (!platform::LocalEndpoint(listener_.get(), local, error))
        return false;
    streamPort_ = local.port;
    return true;
}

bool CommandClient::Send(std::span<const std::uint8_t> datagram) {
    return platform::SendTo(reply_.get(), datagram.data(), datagram.size(), server_).status == platform::IoStatus::Ok;
}

bool CommandClient::SendCommand(std::uint32_t code) {
    return Send(EncodeCommand(code));
}

bool CommandClient::SendPlay(std::int32_t pid) {
    return Send(EncodePlay(pid));
}

bool CommandClient::SendConnect() {
    return Send(EncodeConnect(localAddress_, replyPort_, streamPort_));
}

CommandClient::Wait CommandClient::NextReply(Reply& reply, int timeoutMs, platform::Endpoint* from) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint8_t buffer[kReplyBytes + 1];
    for (;;) {
        const platform::WaitResult waited = platform::WaitReadable(reply_.get(), MillisecondsLeft(deadline));
        if (waited == platform::WaitResult::TimedOut)
            return Wait::TimedOut;
        if (waited == platform::WaitResult::Failed)
            return Wait::Failed;
        const platform::IoResult got = platform::ReceiveFrom(reply_.get(), buffer, sizeof buffer, from);
        if (got.status == platform::IoStatus::Ok && DecodeReply(std::span(buffer, got.bytes), reply))
            return Wait::Got;
        if (MillisecondsLeft(deadline) == 0)
            return Wait::TimedOut;
    }
}

CommandClient::Wait CommandClient::Connect(int timeoutMs) {
    if (!SendConnect())
        return Wait::Failed;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Reply reply;
    for (;;) {
        const Wait got = NextReply(reply, MillisecondsLeft(deadline));
        if (got != Wait::Got || reply.code == MSG_CONNECTED)
            return got;
    }
}

CommandClient::Wait CommandClient::List(std::vector<ProgramEntry>& programs, int firstMs, int quietMs) {
    programs.clear();
    if (!SendCommand(CMD_LIST))
        return Wait::Failed;
    Reply reply;
    int wait = firstMs;
    for (;;) {
        const Wait got = NextReply(reply, wait);
        if (got == Wait::Failed)
            return got;
        if (got == Wait::TimedOut)
            return programs.empty() ? Wait::TimedOut : Wait::Got;
        if (reply.code == MSG_PROGRAM) {
            programs.push_back(reply.entry);
            wait = quietMs;
        }
    }
}

platform::Socket CommandClient::AcceptStream(int timeoutMs, platform::SystemError* error) {
    if (platform::WaitReadable(listener_.get(), timeoutMs) != platform::WaitResult::Ready) {
        if (error)
            *error = platform::SystemError{0, "the server did not connect to the stream port"};
        return platform::Socket();
    }
    return platform::Accept(listener_.get(), nullptr, error);
}

platform::IoResult ReceiveWithin(platform::NativeSocket socket, void* buffer, std::size_t size, int timeoutMs) {
    const platform::WaitResult waited = platform::WaitReadable(socket, timeoutMs);
    if (waited == platform::WaitResult::TimedOut)
        return platform::IoResult{platform::IoStatus::WouldBlock, 0, 0};
    if (waited == platform::WaitResult::Failed)
        return platform::IoResult{platform::IoStatus::Failed, 0, 0};
    return platform::Receive(socket, buffer, size);
}

} // namespace tarnvale
