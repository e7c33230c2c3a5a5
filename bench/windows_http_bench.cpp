// The Windows builds' HTTP side beside the Linux one, side by side in one run: a 256 MiB program fetched with curl
// from the Linux service in this process and from the Windows console server under Wine, best of several runs;
// then the resident memory of the Windows program (the window) with its HTTP side on, idle and with 8 transfers
// under way. Wine runs in a prefix of the benchmark's own; everything stays on 127.0.0.1.
#include "ProgramFile.h"
#include "core/ListFile.h"
#include "core/MediaType.h"
#include "http/HttpService.h"
#include "platform/File.h"
#include "platform/Socket.h"
#include "support/Wine.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace tarnvale;
using test::ProgramUnderWine;
using test::Quote;
using test::WinePath;
using test::WineSession;

namespace {

constexpr std::uint64_t kSize = 256ull << 20;
constexpr int kRuns = 3;
constexpr int kTransfers = 8;
using Clock = std::chrono::steady_clock;

// The seconds curl took for the whole of url, or a negative number when it failed or got less.
double Fetch(const std::string& url) {
    const auto start = Clock::now();
    const test::Ran ran = test::RunCommand("curl -s -f --max-time 300 -o /dev/null -w '%{size_download}' " + url);
    const std::chrono::duration<double> took = Clock::now() - start;
    return ran.code == 0 && std::stoull("0" + ran.out) == kSize ? took.count() : -1;
}

// The resident memory of the Linux process whose command line names image, in KiB; 0 when there is none. Wine's
// launcher names it too, so the largest is the program.
long ResidentKiBOf(const std::string& image) {
    long largest = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream commandLine(entry.path() / "cmdline", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(commandLine)), std::istreambuf_iterator<char>());
        if (text.find(image) == std::string::npos || text.find("wine-run.sh") != std::string::npos)
            continue;
        // Counted from the page tables: the status file's count lags behind busy threads.
        std::ifstream pages(entry.path() / "smaps_rollup");
        for (std::string line; std::getline(pages, line);) {
            if (line.rfind("Rss:", 0) == 0)
                largest = std::max(largest, std::atol(line.c_str() + 4));
        }
    }
    return largest;
}

// The benchmark's folder, removed with the program's file however the run ends.
struct Folder {
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tarnvale-windows-http-bench-" + std::to_string(getpid()));
};

int Fail(const std::string& why) {
    std::fprintf(stderr, "bench_windows_http: %s\n", why.c_str());
    return 1;
}

} // namespace

int main() {
    const std::string exeDir = TARNVALE_WINDOWS_BIN_DIR;
    if (!std::filesystem::exists(exeDir + "/tarnvale-server.exe"))
        return Fail(exeDir + "/tarnvale-server.exe is not built; build the Windows tree first");
    const Folder made;
    const std::string file = (made.path / "program.mpg").string();
    bench::WriteProgramFile(file, kSize);
    CMediaInfo program;
    program.SetPath(file);
    program.m_nPID = 1;
    program.m_nType = MEDIA_MPEG2;
    program.m_nSize = static_cast<std::int32_t>(kSize);
    CMediaInfoList catalogue;
    catalogue.Append(program);
    HttpService native(catalogue, AllowList{});
    native.SetLocalAddress(platform::kLoopbackAddress);
    std::string error;
    if (!native.Start(0, &error))
        return Fail("the Linux HTTP side does not start: " + error);

    program.SetPath(WinePath(file));
    const std::string list = (made.path / "Tarnvale.lst").string();
    if (!platform::ReplaceFileContents(list, EncodeListFile(std::vector<CMediaInfo>{program})))
        return Fail("cannot write " + list);
    WineSession wine(TARNVALE_WINE_DIR, TARNVALE_WINE_STATE);
    if (const test::Ran setup = wine.Start(); setup.code != 0)
        return Fail("Wine does not start: " + setup.out);
    double best[2] = {1e9, 1e9};
    {
        ProgramUnderWine console(wine, exeDir + "/tarnvale-server.exe",
                                 "--list " + Quote(WinePath(list)) + " --port 0 --http 0",
                                 (made.path / "console.log").string());
        const auto port = console.WaitForLine("HTTP on port ", std::chrono::seconds(120));
        if (!port)
            return Fail("the Windows console server did not open its HTTP port:\n" + console.Log());
        const std::string urls[2] = {"http://127.0.0.1:" + std::to_string(native.BoundPort()) + "/programs/1",
                                     "http://127.0.0.1:" + std::to_string(std::atoi(port->c_str())) + "/programs/1"};
        Fetch(urls[0]); // the file into the page cache
        for (int run = 0; run < kRuns; ++run) {
            for (int server = 0; server < 2; ++server) {
                const double seconds = Fetch(urls[server]);
                if (seconds < 0)
                    return Fail(std::string("a fetch from the ") + (server ? "Windows" : "Linux") + " build failed");
                best[server] = std::min(best[server], seconds);
            }
        }
    }
    const double mib = static_cast<double>(kSize) / (1024.0 * 1024.0);
    std::printf("256 MiB program over loopback with curl -o /dev/null, best of %d, the servers taking turns:\n", kRuns);
    std::printf("  Linux build, HTTP side in-process   %8.0f MiB/s  (%.3f s)\n", mib / best[0], best[0]);
    std::printf("  Windows console server under Wine   %8.0f MiB/s  (%.3f s)   ratio %.2f\n", mib / best[1], best[1],
                best[1] / best[0]);

    // The window with its HTTP side on; transfers held under way by clients that read slowly.
    const std::string portFile = (made.path / "http-port").string();
    ProgramUnderWine window(wine, exeDir + "/TarnvaleServer.exe",
                            "--list-file " + Quote(WinePath(list)) + " --command-port 0 --http 0 --http-port-file " +
                                Quote(WinePath(portFile)),
                            (made.path / "window.log").string());
    std::string port;
    test::PollUntil([&] { return static_cast<bool>(std::ifstream(portFile) >> port); }, std::chrono::seconds(120));
    if (port.empty())
        return Fail("the window did not open its HTTP port");
    const long idle = ResidentKiBOf("TarnvaleServer.exe");
    std::vector<FILE*> transfers;
    for (int i = 0; i < kTransfers; ++i) {
        const std::string out = (made.path / ("transfer" + std::to_string(i))).string();
        transfers.push_back(popen(
            ("curl -s --max-time 60 --limit-rate 4M -o " + Quote(out) + " http://127.0.0.1:" + port + "/programs/1")
                .c_str(),
            "r"));
    }
    const bool underWay = test::PollUntil(
        [&] {
            for (int i = 0; i < kTransfers; ++i) {
                std::error_code missing;
                if (std::filesystem::file_size(made.path / ("transfer" + std::to_string(i)), missing) < (8u << 20))
                    return false;
            }
            return true;
        },
        std::chrono::seconds(30));
    if (!underWay)
        return Fail("the 8 transfers from the window did not get under way");
    const long busy = ResidentKiBOf("TarnvaleServer.exe");
    std::printf("The Windows program under Wine, HTTP side on: resident %ld KiB idle, %ld KiB with %d transfers "
                "under way (%+ld KiB, %.0f KiB per transfer)\n",
                idle, busy, kTransfers, busy - idle, static_cast<double>(busy - idle) / kTransfers);
    window.Close();
    for (FILE* transfer : transfers) {
        if (transfer)
            pclose(transfer);
    }
    return 0;
}
