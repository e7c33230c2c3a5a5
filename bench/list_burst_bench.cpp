// CMD_LIST for a catalogue of 10,000 programs: the time the command service takes to send the whole burst of
// replies, against a bare sendto loop of the same datagrams from one socket, in the same run.
#include "BenchTiming.h"
#include "net/CommandService.h"
#include "platform/Socket.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

// Empties the receiver's queue, so that every run finds the same room for its datagrams.
std::size_t Drain(platform::NativeSocket socket) {
    std::size_t count = 0;
    std::uint8_t buffer[kReplyBytes];
    while (platform::WaitReadable(socket, 0) == platform::WaitResult::Ready) {
        if (platform::ReceiveFrom(socket, buffer, sizeof buffer).status != platform::IoStatus::Ok)
            break;
        ++count;
    }
    return count;
}

} // namespace

int main() {
    constexpr int kPrograms = 10000;
    constexpr int kRuns = 15;
    SocketLibrary sockets;

    CMediaInfoList catalogue;
    for (int i = 0; i < kPrograms; ++i) {
        CMediaInfo record;
        record.SetPath("D:\\Media\\Series " + std::to_string(i / 100) + "\\episode-" + std::to_string(i) + ".mpg");
        record.m_nPID = i;
        record.m_nType = i % 4;
        record.m_nSize = 700000000 + i;
        catalogue.Append(record);
    }

    // The client: a reply socket on 127.0.0.1 with room for the whole burst.
    platform::Socket receiver = platform::CreateUdpSocket();
    platform::Endpoint target;
    if (!platform::Bind(receiver.get(), platform::Endpoint{platform::kLoopbackAddress, 0}) ||
        !platform::LocalEndpoint(receiver.get(), target)) {
        std::fprintf(stderr, "cannot bind a UDP socket on 127.0.0.1\n");
        return 1;
    }
    const int granted = platform::RequestReceiveBuffer(receiver.get(), 64 * 1024 * 1024);

    // Commands go straight to the service's dispatch, as its receive thread would hand them on.
    CommandService service(catalogue);
    // Nobody listens on port 1: no stream.
    service.Dispatch(EncodeConnect(target.address, target.port, 1), platform::kLoopbackAddress);
    const auto list = EncodeCommand(CMD_LIST);
    Drain(receiver.get());

    std::vector<ReplyDatagram> datagrams;
    for (const CMediaInfo& record : catalogue.Snapshot()) {
        ProgramEntry entry;
        record.FillProgramEntry(entry);
        datagrams.push_back(EncodeProgramReply(entry));
    }
    platform::Socket bare = platform::CreateUdpSocket();

    std::size_t arrivedBare = 0, arrivedList = 0;
    double bareSeconds = 1e9, listSeconds = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        bareSeconds = std::min(bareSeconds, bench::BestSeconds(1, [&] {
                                   for (const ReplyDatagram& d : datagrams)
                                       platform::SendTo(bare.get(), d.data(), d.size(), target);
                               }));
        arrivedBare = Drain(receiver.get());
        listSeconds =
            std::min(listSeconds, bench::BestSeconds(1, [&] { service.Dispatch(list, platform::kLoopbackAddress); }));
        arrivedList = Drain(receiver.get());
    }

    std::printf("CMD_LIST burst of %d programs to 127.0.0.1 (best of %d runs; receive buffer %d KiB)\n", kPrograms,
                kRuns, granted / 1024);
    std::printf("  bare sendto loop   %8.2f ms  %6zu datagrams arrived\n", bareSeconds * 1e3, arrivedBare);
    std::printf("  CMD_LIST           %8.2f ms  %6zu datagrams arrived\n", listSeconds * 1e3, arrivedList);
    std::printf("  ratio              %.2f times the bare loop (target: 1.5 or better)\n", listSeconds / bareSeconds);
    return 0;
}
