// Eight clients on 127.0.0.1 to 127.0.0.8, each streaming a program of its own at once from one server with a
// session per client, against one client alone on the same server. Prints the aggregate throughput and its ratio,
// each client's rate against the mean, and what a session costs the server in resident memory (the server runs in
// a process of its own, so that the clients' memory does not count).
#include "core/MediaType.h"
#include "core/ParseInteger.h"
#include "net/CommandClient.h"
#include "net/CommandService.h"
#include "platform/Socket.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace tarnvale;

namespace {

constexpr int kClients = 8;
constexpr int kRuns = 3;
constexpr int kTimeoutMs = 10000;
constexpr std::uint32_t kFirstClient = platform::kLoopbackAddress; // 127.0.0.1, then .2 to .8
using Clock = std::chrono::steady_clock;

std::string ProgramPath(int index) {
    return (std::filesystem::temp_directory_path() / ("tarnvale-sessions-bench-" + std::to_string(index) + ".mpg"))
        .string();
}

bool WriteProgram(const std::string& path, std::uint64_t bytes, int seed) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 7 + static_cast<std::size_t>(seed));
    for (std::uint64_t left = bytes; file && left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        if (std::fwrite(block.data(), 1, n, file) != n)
            break;
        left -= n;
    }
    return file && std::fclose(file) == 0 && std::filesystem::file_size(path) == bytes;
}

// The resident memory of a process, in KiB, as /proc tells it.
long ResidentKiB(pid_t process) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

// The server process: serves the programs with a session per client until its parent closes stopPipe.
[[noreturn]] void Serve(int portPipe, int stopPipe, std::uint64_t bytes) {
    SocketLibrary sockets;
    CMediaInfoList catalogue;
    for (int i = 0; i < kClients; ++i) {
        CMediaInfo record;
        record.SetPath(ProgramPath(i));
        record.m_nPID = i + 1;
        record.m_nType = MEDIA_MPEG1;
        record.m_nSize = static_cast<std::int32_t>(bytes);
        catalogue.Append(record);
    }
    CommandService service(catalogue);
    service.SetSessionLimit(kClients);
    service.SetLocalAddress(platform::kLoopbackAddress);
    service.SetLocalPort(0);
    if (!service.Start())
        _exit(1);
    const std::uint16_t port = service.BoundPort();
    if (write(portPipe, &port, sizeof port) != sizeof port)
        _exit(1);
    char byte;
    while (read(stopPipe, &byte, 1) > 0) {
    }
    service.Stop();
    _exit(0);
}

// One client with its stream connection, on an address of its own.
struct Screen {
    CommandClient client;
    platform::Socket stream;
    double seconds = 0;
    std::uint64_t received = 0;
};

std::unique_ptr<Screen> ConnectScreen(platform::Endpoint server, std::uint32_t address) {
    auto screen = std::make_unique<Screen>();
    platform::SystemError error;
    if (!screen->client.Open(server, &error, 0, address) ||
        screen->client.Connect(kTimeoutMs) != CommandClient::Wait::Got ||
        !(screen->stream = screen->client.AcceptStream(kTimeoutMs, &error))) {
        std::fprintf(stderr, "a client on 127.0.0.%u cannot connect: %s\n", address & 0xFF, error.message.c_str());
        std::exit(1);
    }
    return screen;
}

// Plays pid and reads its whole stream, timing from the PLAY to the last byte.
void Play(Screen& screen, std::int32_t pid, std::uint64_t bytes) {
    std::vector<std::uint8_t> buffer(1 << 20);
    const auto start = Clock::now();
    screen.client.SendPlay(pid);
    while (screen.received < bytes) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), bytes - screen.received));
        const platform::IoResult got = ReceiveWithin(screen.stream.get(), buffer.data(), want, kTimeoutMs);
        if (got.status != platform::IoStatus::Ok)
            break;
        screen.received += got.bytes;
    }
    screen.seconds = std::chrono::duration<double>(Clock::now() - start).count();
}

struct Figures {
    double seconds = 1e9;      // from the first PLAY to the last byte of all streams
    std::vector<double> rates; // each client's MiB/s over its own stream
    long peakKiB = 0;          // the server's resident memory at its highest while streaming
    long connectedKiB = 0;     // the server's resident memory with every session connected, before playing
};

// Connects count clients, then has them all play at once, sampling the server's memory meanwhile.
Figures RunClients(pid_t server, platform::Endpoint address, int count, std::uint64_t bytes) {
    std::vector<std::unique_ptr<Screen>> screens;
    for (int i = 0; i < count; ++i)
        screens.push_back(ConnectScreen(address, kFirstClient + static_cast<std::uint32_t>(i)));
    Figures figures;
    figures.connectedKiB = ResidentKiB(server);
    std::promise<void> go;
    std::shared_future<void> started = go.get_future().share();
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
        threads.emplace_back([&, i] {
            started.wait();
            Play(*screens[static_cast<std::size_t>(i)], i + 1, bytes);
            ++done;
        });
    const auto start = Clock::now();
    go.set_value();
    while (done.load() < count) {
        figures.peakKiB = std::max(figures.peakKiB, ResidentKiB(server));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (std::thread& thread : threads)
        thread.join();
    for (const std::unique_ptr<Screen>& screen : screens) {
        if (screen->received != bytes) {
            std::fprintf(stderr, "a client received %llu of %llu bytes\n",
                         static_cast<unsigned long long>(screen->received), static_cast<unsigned long long>(bytes));
            std::exit(1);
        }
        figures.rates.push_back(static_cast<double>(bytes) / (1024.0 * 1024.0) / screen->seconds);
        screen->client.SendCommand(CMD_DISCONNECT);
    }
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<std::uint64_t> size =
        argc > 1 ? ParseInteger<std::uint64_t>(argv[1], 1, 0x7FFFFFFF) : 256ull * 1024 * 1024;
    if (!size) {
        std::fprintf(stderr, "usage: bench_sessions [BYTES], BYTES per client from 1 to 2 GiB - 1 (default 256 MiB)\n");
        return 2;
    }
    const std::uint64_t bytes = *size;
    for (int i = 0; i < kClients; ++i)
        if (!WriteProgram(ProgramPath(i), bytes, i)) {
            std::fprintf(stderr, "cannot write %s\n", ProgramPath(i).c_str());
            return 1;
        }

    // The server forks before any thread exists.
    int portPipe[2], stopPipe[2];
    if (pipe(portPipe) != 0 || pipe(stopPipe) != 0)
        return 1;
    const pid_t server = fork();
    if (server == 0) {
        close(portPipe[0]);
        close(stopPipe[1]);
        Serve(portPipe[1], stopPipe[0], bytes);
    }
    close(portPipe[1]);
    close(stopPipe[0]);
    std::uint16_t port = 0;
    if (server < 0 || read(portPipe[0], &port, sizeof port) != sizeof port) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    SocketLibrary sockets;
    const platform::Endpoint address{platform::kLoopbackAddress, port};
    const long restKiB = ResidentKiB(server);

    // Memory from the first runs, before earlier runs' freed memory stays with the server's allocator.
    Figures alone, together, firstAlone, firstTogether;
    for (int run = 0; run < kRuns; ++run) {
        Figures one = RunClients(server, address, 1, bytes);
        if (run == 0)
            firstAlone = one;
        if (one.seconds < alone.seconds)
            alone = one;
        Figures all = RunClients(server, address, kClients, bytes);
        if (run == 0)
            firstTogether = all;
        if (all.seconds < together.seconds)
            together = all;
    }
    close(stopPipe[1]);
    waitpid(server, nullptr, 0);
    for (int i = 0; i < kClients; ++i)
        std::filesystem::remove(ProgramPath(i));

    const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    const double aloneRate = mib / alone.seconds;
    const double togetherRate = kClients * mib / together.seconds;
    double mean = 0;
    for (double rate : together.rates)
        mean += rate / kClients;
    double widest = 0;
    for (double rate : together.rates)
        widest = std::max(widest, std::abs(rate - mean) / mean);
    const auto [slowest, fastest] = std::minmax_element(together.rates.begin(), together.rates.end());

    std::printf("%d clients on 127.0.0.1 to 127.0.0.%d, each streaming its own %.0f MiB program at once "
                "(best of %d runs)\n",
                kClients, kClients, mib, kRuns);
    std::printf("  one client alone      %8.1f MiB/s\n", aloneRate);
    std::printf("  %d clients together    %8.1f MiB/s in all, %.2f times one alone (target: 0.9 or better)\n", kClients,
                togetherRate, togetherRate / aloneRate);
    std::printf("  each client           %8.1f MiB/s on average, from %.1f to %.1f: within %.0f%% of the mean "
                "(target: 25%%)\n",
                mean, *slowest, *fastest, widest * 100);
    std::printf("  server memory         %8.1f MiB resident at rest; each session adds %.0f KiB connected and %.0f KiB "
                "streaming (%d at once; one alone: %.0f KiB)\n",
                restKiB / 1024.0, static_cast<double>(firstTogether.connectedKiB - restKiB) / kClients,
                static_cast<double>(firstTogether.peakKiB - restKiB) / kClients, kClients,
                static_cast<double>(firstAlone.peakKiB - restKiB));
    std::printf("  load average at the end: ");
    std::fflush(stdout);
    std::ifstream load("/proc/loadavg");
    std::string figures;
    std::getline(load, figures);
    std::printf("%s\n", figures.c_str());
    return 0;
}
