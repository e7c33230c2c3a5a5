// Fuzz target: command datagrams, decoded and carried out by the command service against a small catalogue, with
// its command socket bound to loopback. An input is a run of datagrams, each led by its length byte, so that the
// fuzzer reaches sequences (CONNECT, PLAY, PAUSE, LIST, ...). Before a CONNECT is carried out, its address and
// ports are pointed at this process's own loopback sockets: nothing fuzzed ever reaches an address outside
// 127.0.0.0/8, nor a port that belongs to anybody else.
#include "core/MediaInfoList.h"
#include "net/CommandDispatcher.h"
#include "net/CommandServer.h"
#include "net/Protocol.h"
#include "net/SessionTable.h"
#include "platform/File.h"
#include "platform/Socket.h"
#include "support/Records.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace tarnvale;

constexpr std::int64_t kRecordSize = 6000;
using platform::Endpoint;
using platform::kLoopbackAddress;

bool IsLoopback(std::uint32_t address) {
    return address >> 24 == 127;
}

std::uint16_t PortOf(const platform::Socket& socket) {
    Endpoint local;
    platform::LocalEndpoint(socket.get(), local);
    return local.port;
}

platform::Socket BoundToLoopback(platform::Socket socket) {
    if (!socket || !platform::Bind(socket.get(), Endpoint{kLoopbackAddress, 0}) ||
        !platform::SetNonBlocking(socket.get(), true))
        std::abort();
    return socket;
}

// Closed with a reset, so that no connection of the fuzzer's is left in TIME_WAIT holding a loopback port.
void Reset(platform::Socket& socket) {
    const linger hard{1, 0};
    ::setsockopt(static_cast<int>(socket.get()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket.reset();
}

class Harness {
public:
    Harness() {
        platform::ReplaceFileContents(program_, std::vector<std::uint8_t>(6000, 0x5A));
        // Two records with one PID (the first counts), a file that is not there, a negative PID.
        catalogue_.Append(test::Record(program_, 12, 2, kRecordSize, 4000));
        catalogue_.Append(test::Record(program_, 12, 1, kRecordSize, -1042576));
        catalogue_.Append(test::Record(program_ + ".missing", 13, 0, kRecordSize));
        catalogue_.Append(test::Record(program_, -1, 3, kRecordSize));
        if (!platform::Listen(listener_.get(), 16))
            std::abort();
        server_.SetLocalAddress(kLoopbackAddress);
        server_.SetLocalPort(0);
        if (!server_.StartReceiving())
            std::abort();
    }
    ~Harness() {
        // As the command service stops them.
        dispatcher_.CancelConnects();
        server_.StopReceiving();
        sessions_.EndAll();
        platform::RemoveFile(program_);
    }

    void Run(std::span<const std::uint8_t> input) {
        while (!input.empty()) {
            const std::size_t length = std::min<std::size_t>(input[0], input.size() - 1);
            std::vector<std::uint8_t> datagram(input.begin() + 1, input.begin() + 1 + length);
            input = input.subspan(1 + length);
            const std::uint32_t code = datagram.size() >= kCommandBytes ? Code(datagram) : ~0u;
            if (code == CMD_CONNECT || code == CMD_DISCONNECT)
                ResetStreams(); // first, so that the sender's close finds a connection that is gone already
            if (code == CMD_CONNECT && datagram.size() >= kConnectBytes)
                AimAtThisProcess(datagram);
            dispatcher_.DispatchCommand(datagram, kLoopbackAddress);
            TakeStreams();
            DrainReplies();
            const std::uint32_t replyAddress = sessions_.SharedSession().replyTarget.address;
            if (!IsLoopback(replyAddress) && replyAddress != 0)
                __builtin_trap();
        }
        ResetStreams();
        sessions_.SharedSession().sender.Close();
        sessions_.SharedSession().sender.Stop();
    }

private:
    static std::uint32_t Code(const std::vector<std::uint8_t>& datagram) {
        return std::uint32_t{datagram[0]} << 24 | std::uint32_t{datagram[1]} << 16 | std::uint32_t{datagram[2]} << 8 |
               datagram[3];
    }
    static void PutPort(std::vector<std::uint8_t>& datagram, std::size_t at, std::uint16_t port) {
        datagram[at] = static_cast<std::uint8_t>(port >> 8);
        datagram[at + 1] = static_cast<std::uint8_t>(port);
    }

    // The address becomes 127.0.0.1, the reply port ours, and the stream port one of ours that accepts or one that
    // refuses, as the fuzzed port's lowest bit says.
    void AimAtThisProcess(std::vector<std::uint8_t>& datagram) const {
        const bool accepted = datagram[11] & 1;
        datagram[4] = 127;
        datagram[5] = 0;
        datagram[6] = 0;
        datagram[7] = 1;
        PutPort(datagram, 8, PortOf(replies_));
        PutPort(datagram, 10, PortOf(accepted ? listener_ : refuser_));
    }

    void TakeStreams() {
        while (platform::Socket stream = platform::Accept(listener_.get()))
            streams_.push_back(std::move(stream));
    }
    void ResetStreams() {
        TakeStreams();
        for (platform::Socket& stream : streams_)
            Reset(stream);
        streams_.clear();
    }
    void DrainReplies() {
        std::uint8_t reply[kReplyBytes + 1];
        while (platform::ReceiveFrom(replies_.get(), reply, sizeof reply).status == platform::IoStatus::Ok) {
        }
    }

    const std::string program_ =
        (std::filesystem::temp_directory_path() / ("tarnvale-dispatch-fuzz-" + std::to_string(::getpid()) + ".avi"))
            .string();
    // The command service's parts, wired as it wires them, so that the fuzzer can look at the shared session.
    CMediaInfoList catalogue_;
    SessionTable sessions_;
    CCommandServer server_;
    CommandDispatcher dispatcher_{catalogue_, server_, sessions_};
    platform::Socket replies_ = BoundToLoopback(platform::CreateUdpSocket());
    platform::Socket listener_ = BoundToLoopback(platform::CreateTcpSocket());
    // Bound and never listening: a connect to it is refused at once.
    platform::Socket refuser_ = BoundToLoopback(platform::CreateTcpSocket());
    std::vector<platform::Socket> streams_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    harness.Run({data, size});
    return 0;
}
