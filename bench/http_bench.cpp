// The HTTP side against a general web server on loopback: a 1 GiB program fetched with curl from each, one client
// alone and eight at once, best of several runs, side by side in one run; the same through the nginx front (the
// project's tarnvale-front.conf) with its cache warm, against the HTTP side alone; then what an open HTTP stream
// costs the server in resident memory. The web server is Debian's nginx, with sendfile on for the files, started
// here with configurations of its own in a temporary folder and stopped at the end.
#include "ProgramFile.h"
#include "core/MediaType.h"
#include "http/HttpService.h"
#include "platform/Socket.h"
#include "support/NginxFront.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace tarnvale;

namespace {

constexpr std::uint64_t kSize = 1ull << 30;
constexpr int kRuns = 3;
constexpr int kClients = 8;
constexpr int kStreams = 200;
using Clock = std::chrono::steady_clock;

std::uint16_t FreePort() {
    platform::Socket socket = platform::CreateTcpSocket();
    platform::Bind(socket.get(), {platform::kLoopbackAddress, 0});
    platform::Endpoint local;
    platform::LocalEndpoint(socket.get(), local);
    return local.port;
}

bool Accepting(std::uint16_t port) {
    platform::Socket socket = platform::CreateTcpSocket();
    return platform::Connect(socket.get(), {platform::kLoopbackAddress, port});
}

// Runs count curls at once for url; the seconds until the last one is done, or a negative number when one failed.
double FetchAtOnce(const std::string& url, int count) {
    const std::string command = "curl -s -f --max-time 300 -o /dev/null -w '%{size_download}\\n' " + url;
    const auto start = Clock::now();
    std::vector<FILE*> pipes;
    for (int i = 0; i < count; ++i)
        pipes.push_back(popen(command.c_str(), "r"));
    bool whole = true;
    for (FILE* pipe : pipes) {
        unsigned long long size = 0;
        whole = pipe && std::fscanf(pipe, "%llu", &size) == 1 && size == kSize && whole;
        if (pipe)
            whole = pclose(pipe) == 0 && whole;
    }
    const std::chrono::duration<double> took = Clock::now() - start;
    return whole ? took.count() : -1;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// nginx running in folder with httpBlock, until it goes.
class Nginx {
public:
    Nginx(const std::filesystem::path& folder, const std::string& httpBlock, std::uint16_t port) : port_(port) {
        const std::string dir = folder.string();
        std::filesystem::create_directories(folder);
        chmod(folder.c_str(), 0755);
        std::ofstream(folder / "nginx.conf") << test::NginxConfig(dir, httpBlock, false);
        // nginx's state folder is the run's own, so that the front's cache is where its file says.
        std::filesystem::create_directories(folder / "state");
        const std::vector<std::string> line =
            test::WithFoldersOver({{(folder / "state").string(), test::kNginxStateFolder}},
                                  {"/usr/sbin/nginx", "-p", dir, "-c", dir + "/nginx.conf", "-e", dir + "/error.log"});
        std::vector<char*> argv;
        for (const std::string& arg : line)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            execv(argv[0], argv.data());
            _exit(127);
        }
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!Accepting(port) && Running() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~Nginx() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Running() const {
        int status = 0;
        return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }
    bool Ready() const { return Accepting(port_); }

private:
    pid_t pid_ = -1;
    std::uint16_t port_;
};

// Fetches from each url in turns, one client and then eight at once, and prints the best speeds side by side;
// false when a fetch failed.
bool Compare(const std::string& first, const char* firstName, const std::string& second, const char* secondName) {
    for (const int clients : {1, kClients}) {
        double best[2] = {1e9, 1e9};
        for (int run = 0; run < kRuns; ++run) {
            for (int server = 0; server < 2; ++server) {
                const double seconds = FetchAtOnce(server == 0 ? first : second, clients);
                if (seconds < 0) {
                    std::fprintf(stderr, "bench_http: a fetch from %s failed\n", server == 0 ? firstName : secondName);
                    return false;
                }
                best[server] = std::min(best[server], seconds);
            }
        }
        const double bytes = static_cast<double>(kSize) * clients, mib = 1024.0 * 1024.0;
        std::printf("  %-22s %-10s %8.0f MiB/s   %-10s %8.0f MiB/s   ratio %.2f\n",
                    clients == 1 ? "one client" : "eight clients at once", firstName, bytes / best[0] / mib, secondName,
                    bytes / best[1] / mib, best[1] / best[0]);
    }
    return true;
}

} // namespace

// The benchmark's folder, removed with the 1 GiB file however the run ends.
struct Folder {
    Folder() { std::filesystem::create_directories(path / "www"); }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tarnvale-http-bench-" + std::to_string(getpid()));
};

// bench_http [THREADS | per-connection]: the HTTP side's shared threads (default: as the server runs it), or a
// thread for each connection.
int main(int argc, char** argv) {
    // Both servers read the one file; nginx's workers run as another user, so the folder is open to reading.
    const Folder made;
    const std::filesystem::path& folder = made.path;
    chmod(folder.c_str(), 0755);
    chmod((folder / "www").c_str(), 0755);
    const std::filesystem::path file = folder / "www" / "program.mpg";
    bench::WriteProgramFile(file.string(), kSize);
    chmod(file.c_str(), 0644);

    CMediaInfoList catalogue;
    CMediaInfo program;
    program.SetPath(file.string());
    program.m_nPID = 1;
    program.m_nType = MEDIA_MPEG2;
    program.m_nSize = static_cast<std::int32_t>(kSize);
    catalogue.Append(program);
    std::atomic<int> requests{0};
    HttpLimits limits;
    if (argc > 1 && std::string(argv[1]) == "per-connection")
        limits.threadPerConnection = true;
    else if (argc > 1)
        limits.threads = static_cast<unsigned>(std::max(1, std::atoi(argv[1])));
    HttpService service(catalogue, AllowList{}, limits);
    service.SetLocalAddress(platform::kLoopbackAddress);
    service.SetLog([&requests](const std::string&) { ++requests; });
    std::string error;
    if (!service.Start(0, &error)) {
        std::fprintf(stderr, "bench_http: the HTTP side does not start: %s\n", error.c_str());
        return 1;
    }
    const std::uint16_t nginxPort = FreePort();
    const Nginx nginx(folder / "files",
                      "    sendfile on;\n    tcp_nopush on;\n    server { listen 127.0.0.1:" +
                          std::to_string(nginxPort) + "; root " + (folder / "www").string() + "; }\n",
                      nginxPort);
    if (!nginx.Ready()) {
        std::fprintf(stderr, "bench_http: nginx did not start; see %s/files/error.log\n", folder.c_str());
        return 1;
    }

    const std::string ours = "http://127.0.0.1:" + std::to_string(service.BoundPort()) + "/programs/1";
    const std::string theirs = "http://127.0.0.1:" + std::to_string(nginxPort) + "/program.mpg";
    FetchAtOnce(ours, 1); // the file into the page cache
    std::printf(
        "1 GiB program over loopback with curl -o /dev/null, best of %d (the servers take turns; the HTTP "
        "side on %s, nginx with a worker per core); ratio: the first's speed over the second's\n",
        kRuns,
        limits.threadPerConnection
            ? "a thread per connection"
            : (std::to_string(limits.threads ? limits.threads : std::thread::hardware_concurrency()) + " threads")
                  .c_str());
    if (!Compare(ours, "HTTP side", theirs, "nginx"))
        return 1;

    // The front before the HTTP side, its cache made warm by one whole fetch.
    const std::uint16_t frontPort = FreePort();
    const std::optional<std::string> frontFile = test::FrontFileFor(
        ReadText(TARNVALE_FRONT_FILE), "127.0.0.1:" + std::to_string(frontPort), {service.BoundPort()});
    if (!frontFile) {
        std::fprintf(stderr, "bench_http: %s lacks a line its comments say to change\n", TARNVALE_FRONT_FILE);
        return 1;
    }
    std::filesystem::create_directories(folder / "front");
    std::ofstream(folder / "front" / "front.conf") << *frontFile;
    const Nginx front(folder / "front", "    include " + (folder / "front" / "front.conf").string() + ";\n", frontPort);
    const std::string fronted = "http://127.0.0.1:" + std::to_string(frontPort) + "/programs/1";
    if (!front.Ready() || FetchAtOnce(fronted, 1) < 0) {
        std::fprintf(stderr, "bench_http: the front did not serve; see %s/front/error.log\n", folder.c_str());
        return 1;
    }
    const int backEndRequests = requests;
    std::printf("The same through the front (tarnvale-front.conf, 1 MiB slices) with its cache warm, against the "
                "HTTP side alone\n");
    if (!Compare(fronted, "front", ours, "HTTP side"))
        return 1;
    std::printf("  (the front's fetches asked the HTTP side %d times in all: the cache served the rest)\n",
                requests - backEndRequests - kRuns * (1 + kClients));

    // Streams whose clients read nothing: each has its response started and its connection's buffers full.
    const int before = requests;
    const long residentBefore = ResidentKiB();
    std::vector<platform::Socket> streams;
    const std::string request = "GET /programs/1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    for (int i = 0; i < kStreams; ++i) {
        streams.push_back(platform::CreateTcpSocket());
        platform::RequestReceiveBuffer(streams.back().get(), 4096);
        platform::Connect(streams.back().get(), {platform::kLoopbackAddress, service.BoundPort()});
        platform::Send(streams.back().get(), request.data(), request.size());
    }
    const auto streamsDeadline = Clock::now() + std::chrono::seconds(20);
    while (requests - before < kStreams && Clock::now() < streamsDeadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const long residentAfter = ResidentKiB();
    std::printf("%d open HTTP streams: %d answered, resident memory %+ld KiB, %.1f KiB per stream\n", kStreams,
                requests - before, residentAfter - residentBefore,
                static_cast<double>(residentAfter - residentBefore) / kStreams);
    streams.clear();
    service.Stop();
    return 0;
}
