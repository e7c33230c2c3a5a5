// The HTTP side against a general web server on loopback: a 1 GiB program fetched with curl from each, one client
// alone and eight at once, best of several runs, side by side in one run; then what an open HTTP stream costs the
// server in resident memory. The web server is Debian's nginx with sendfile on, started here with a configuration
// of its own in a temporary folder and stopped at the end.
#include "ProgramFile.h"
#include "core/MediaType.h"
#include "http/HttpService.h"
#include "platform/Socket.h"

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

class Nginx {
public:
    Nginx(const std::filesystem::path& folder, const std::filesystem::path& root, std::uint16_t port) {
        const std::string dir = folder.string();
        std::ofstream(folder / "nginx.conf")
            << "daemon off;\nworker_processes auto;\nerror_log " << dir << "/error.log;\npid " << dir
            << "/nginx.pid;\nevents { worker_connections 1024; }\nhttp {\n    access_log off;\n    sendfile on;\n"
            << "    tcp_nopush on;\n    client_body_temp_path " << dir << "/body;\n    proxy_temp_path " << dir
            << "/proxy;\n    fastcgi_temp_path " << dir << "/fastcgi;\n    scgi_temp_path " << dir
            << "/scgi;\n    uwsgi_temp_path " << dir << "/uwsgi;\n    server { listen 127.0.0.1:" << port << "; root "
            << root.string() << "; }\n}\n";
        pid_ = fork();
        if (pid_ == 0) {
            execlp("nginx", "nginx", "-p", dir.c_str(), "-c", (dir + "/nginx.conf").c_str(), nullptr);
            _exit(127);
        }
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

private:
    pid_t pid_ = -1;
};

void Row(const char* what, double http, double nginx, double bytes) {
    const double mib = 1024.0 * 1024.0;
    std::printf("  %-22s HTTP side %8.0f MiB/s   nginx %8.0f MiB/s   ratio %.2f\n", what, bytes / http / mib,
                bytes / nginx / mib, nginx / http);
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

// bench_http [THREADS]: the HTTP side's threads (default: as the server runs it).
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
    if (argc > 1)
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
    Nginx nginx(folder, folder / "www", nginxPort);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!Accepting(nginxPort) && nginx.Running() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!Accepting(nginxPort)) {
        std::fprintf(stderr, "bench_http: nginx did not start; see %s/error.log\n", folder.c_str());
        return 1;
    }

    const std::string ours = "http://127.0.0.1:" + std::to_string(service.BoundPort()) + "/programs/1";
    const std::string theirs = "http://127.0.0.1:" + std::to_string(nginxPort) + "/program.mpg";
    FetchAtOnce(ours, 1); // the file into the page cache
    std::printf("1 GiB program over loopback with curl -o /dev/null, best of %d (the servers take turns; the HTTP "
                "side on %u threads, nginx with a worker per core)\n",
                kRuns, limits.threads ? limits.threads : std::thread::hardware_concurrency());
    for (const int clients : {1, kClients}) {
        double best[2] = {1e9, 1e9};
        for (int run = 0; run < kRuns; ++run) {
            for (int server = 0; server < 2; ++server) {
                const double seconds = FetchAtOnce(server == 0 ? ours : theirs, clients);
                if (seconds < 0) {
                    std::fprintf(stderr, "bench_http: a fetch from %s failed\n",
                                 server == 0 ? "the HTTP side" : "nginx");
                    return 1;
                }
                best[server] = std::min(best[server], seconds);
            }
        }
        Row(clients == 1 ? "one client" : "eight clients at once", best[0], best[1],
            static_cast<double>(kSize) * clients);
    }

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
