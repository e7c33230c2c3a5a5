// Streaming a 1 GiB program over loopback with the stream sender, against a minimal loop that reads the same
// file and sends it in the same 2048-byte pieces with TCP_NODELAY, in the same run. Prints throughput, the
// ratio, and the sending side's CPU seconds per GiB (the receiver's own CPU time taken out).
#include "BenchTiming.h"
#include "core/ParseInteger.h"
#include "net/StreamSender.h"
#include "platform/Socket.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace tarnvale;

namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

struct Run {
    double seconds = 0;
    double senderCpu = 0;
};

// Accepts one connection on listener, reads bytes of it, and reports its own CPU time.
class Receiver {
public:
    Receiver(platform::NativeSocket listener, std::uint64_t bytes)
        : thread_([this, listener, bytes] {
              platform::Socket socket = platform::Accept(listener);
              std::vector<char> buffer(1 << 20);
              std::uint64_t got = 0;
              while (got < bytes) {
                  platform::IoResult r = platform::Receive(socket.get(), buffer.data(), buffer.size());
                  if (r.status != platform::IoStatus::Ok)
                      break;
                  got += r.bytes;
              }
              received_ = got;
              cpu_ = ThreadCpuSeconds();
          }) {}
    void Join() { thread_.join(); }
    std::uint64_t Received() const { return received_; }
    double Cpu() const { return cpu_; }

private:
    std::uint64_t received_ = 0;
    double cpu_ = 0;
    std::thread thread_;
};

template <typename Send>
Run Measure(platform::NativeSocket listener, std::uint16_t port, std::uint64_t bytes, Send send) {
    Receiver receiver(listener, bytes);
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    send(port);
    receiver.Join();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (receiver.Received() != bytes) {
        std::fprintf(stderr, "only %llu of %llu bytes arrived\n", static_cast<unsigned long long>(receiver.Received()),
                     static_cast<unsigned long long>(bytes));
        std::exit(1);
    }
    return Run{elapsed.count(), ProcessCpuSeconds() - cpuBefore - receiver.Cpu()};
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<std::uint64_t> size = argc > 1 ? ParseInteger<std::uint64_t>(argv[1], 1) : kGiB;
    if (!size) {
        std::fprintf(stderr, "usage: bench_stream [BYTES], BYTES a whole number from 1 up (default 1 GiB)\n");
        return 2;
    }
    const std::uint64_t bytes = *size;
    const int runs = 3;
    SocketLibrary sockets;
    const std::string path = (std::filesystem::temp_directory_path() / "tarnvale-stream-bench.mpg").string();
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::vector<char> block(1 << 20);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 7 + 3);
        for (std::uint64_t left = bytes; file && left > 0;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            if (std::fwrite(block.data(), 1, n, file) != n)
                break;
            left -= n;
        }
        if (!file || std::fclose(file) != 0 || std::filesystem::file_size(path) != bytes) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    platform::Socket listener = platform::CreateTcpSocket();
    platform::Endpoint local;
    if (!platform::Bind(listener.get(), platform::Endpoint{platform::kLoopbackAddress, 0}) ||
        !platform::Listen(listener.get(), 4) || !platform::LocalEndpoint(listener.get(), local)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }

    // The plain loop: read 2048 bytes, send them, until the end of the file.
    auto plain = [&](std::uint16_t port) {
        platform::Socket socket = platform::CreateTcpSocket();
        platform::SetNoDelay(socket.get(), true);
        platform::Connect(socket.get(), platform::Endpoint{platform::kLoopbackAddress, port});
        std::FILE* file = std::fopen(path.c_str(), "rb");
        char piece[2048];
        for (std::size_t n; (n = std::fread(piece, 1, sizeof piece, file)) > 0;)
            for (std::size_t sent = 0; sent < n;) {
                platform::IoResult r = platform::Send(socket.get(), piece + sent, n - sent);
                if (r.status != platform::IoStatus::Ok)
                    std::exit(1);
                sent += r.bytes;
            }
        std::fclose(file);
    };
    CMediaInfo program;
    program.SetPath(path);
    program.m_nSize = static_cast<std::int32_t>(std::min<std::uint64_t>(bytes, 0x7FFFFFFF));
    Run bestPlain{1e9, 0}, bestSender{1e9, 0};
    for (int i = 0; i < runs; ++i) {
        Run p = Measure(listener.get(), local.port, bytes, plain);
        // The sender outlives the measure: its destructor would stop the stream.
        CStreamSender stream;
        Run s = Measure(listener.get(), local.port, bytes, [&](std::uint16_t port) {
            if (!stream.Connect(platform::kLoopbackAddress, port) || !stream.Open(program) || !stream.Start())
                std::exit(1);
        });
        if (p.seconds < bestPlain.seconds)
            bestPlain = p;
        if (s.seconds < bestSender.seconds)
            bestSender = s;
    }
    std::filesystem::remove(path);

    const double gib = static_cast<double>(bytes) / kGiB;
    const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    std::printf("stream of %.2f GiB over loopback in 2048-byte pieces with TCP_NODELAY (best of %d runs)\n", gib, runs);
    std::printf("  plain read+send loop  %7.3f s  %8.1f MiB/s  %6.3f CPU s/GiB\n", bestPlain.seconds,
                mib / bestPlain.seconds, bestPlain.senderCpu / gib);
    std::printf("  stream sender         %7.3f s  %8.1f MiB/s  %6.3f CPU s/GiB\n", bestSender.seconds,
                mib / bestSender.seconds, bestSender.senderCpu / gib);
    std::printf("  ratio                 %.3f of the plain loop's throughput (target: 0.9 or better)\n",
                bestPlain.seconds / bestSender.seconds);
    return 0;
}
