// Keeping the catalogue in step with folders, in figures: `tarnvale verify` of 100,000 programs whose files have
// not changed against a plain loop of stat() over the same files (and --deep beside it), how soon a file that has
// settled in a watched folder reaches the catalogue, and what a watch of 10,000 idle folders costs in CPU time and
// memory. Usage: bench_catalogue_follow [PROGRAMS [IDLE_SECONDS]] (defaults 100000 and 60).
#include "BenchTiming.h"
#include "catalogue/CatalogueTool.h"
#include "core/ListFile.h"
#include "media/MediaProbe.h"
#include "platform/FileWatch.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace tarnvale;
using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

int Tarnvale(const std::vector<std::string>& args, ToolStop* stop = nullptr) {
    std::ostringstream out, err;
    return RunCatalogueTool(args, ToolStreams{out, err, false, stop});
}

// `tarnvale watch` on a thread of its own until Stop.
class Watch {
public:
    explicit Watch(std::vector<std::string> args) : thread_([this, args] { Tarnvale(args, &stop_); }) {}
    ~Watch() {
        stop_.Stop();
        thread_.join();
    }

private:
    ToolStop stop_;
    std::thread thread_;
};

std::size_t Programs(const std::string& list) {
    CMediaInfoList catalogue;
    LoadListFile(list, catalogue);
    return catalogue.Count();
}

void VerifyFigures(const fs::path& root, std::size_t programs) {
    const std::string list = (root / "verify.lst").string();
    std::vector<std::string> paths;
    std::vector<CMediaInfo> records;
    const std::string bytes(2048, '\x5a');
    for (std::size_t i = 0; i < programs; ++i) {
        const fs::path folder = root / "verify" / std::to_string(i / 1000);
        if (i % 1000 == 0)
            fs::create_directories(folder);
        paths.push_back((folder / ("film-" + std::to_string(i) + ".mpg")).string());
        std::ofstream(paths.back(), std::ios::binary) << bytes;
        CMediaInfo record;
        SetFile(record, paths.back().c_str(), nullptr);
        record.m_nPID = static_cast<std::int32_t>(10 + i);
        records.push_back(record);
    }
    CMediaInfoList catalogue;
    catalogue.Assign(records);
    SaveListFile(list, catalogue);

    std::size_t statted = 0;
    const auto statLoop = [&] {
        statted = 0;
        struct stat st {};
        for (const std::string& path : paths)
            statted += ::stat(path.c_str(), &st) == 0 && st.st_size == 2048;
    };
    int status = -1;
    statLoop(); // the same warm cache for both
    const double plain = bench::BestSeconds(3, statLoop);
    const double verify = bench::BestSeconds(3, [&] { status = Tarnvale({"--list", list, "verify"}); });
    const double deep = bench::BestSeconds(1, [&] { Tarnvale({"--list", list, "verify", "--deep"}); });
    std::printf("verify of %zu programs, files unchanged (best of 3, warm cache; exit status %d, %zu files statted):\n",
                programs, status, statted);
    std::printf("  plain C loop of stat()     %8.3f s\n", plain);
    std::printf("  tarnvale verify            %8.3f s   %.2fx the loop (target at most 1.5x; includes loading the "
                "list file)\n",
                verify, verify / plain);
    std::printf("  tarnvale verify --deep     %8.3f s   %.2fx the loop (each 2 KiB MPEG file probed again)\n", deep,
                deep / plain);
}

void SettleFigures(const fs::path& root) {
    const fs::path folder = root / "settle";
    fs::create_directories(folder);
    const std::string list = (root / "settle.lst").string();
    constexpr double kSettle = 1.0;
    std::printf("settle latency, --settle %.0f s (from the file's last write to the save that holds it; target at "
                "most settle + 1 s):\n",
                kSettle);
    platform::FileWatch saves;
    saves.Open(list);
    // What is there when the watch starts is taken at once; the figures are for files that come later.
    std::ofstream((folder / "first.mp3").string(), std::ios::binary) << std::string(4096, '\xff');
    Watch watch({"--list", list, "watch", folder.string(), "--settle", "1"});
    for (auto start = Clock::now(); Programs(list) == 0 && Clock::now() - start < std::chrono::seconds(30);)
        saves.Wait(100);
    for (int i = 0; i < 5; ++i) {
        const std::string file = (folder / ("take-" + std::to_string(i) + ".mp3")).string();
        const auto written = Clock::now();
        std::ofstream(file, std::ios::binary) << std::string(4096, '\xff');
        double latency = -1;
        while (Clock::now() - written < std::chrono::seconds(10)) {
            if (Programs(list) >= static_cast<std::size_t>(i + 2)) {
                latency = std::chrono::duration<double>(Clock::now() - written).count();
                break;
            }
            saves.Wait(100);
        }
        std::printf("  file %d: %.3f s (%.3f s past the settle time)\n", i + 1, latency, latency - kSettle);
    }
}

void IdleFigures(const fs::path& root, int idleSeconds) {
    const fs::path tree = root / "idle";
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j)
            fs::create_directories(tree / std::to_string(i) / std::to_string(j));
    const std::string list = (root / "idle.lst").string();
    // One file, so that the first save shows that the first scan is over.
    std::ofstream((tree / "0" / "0" / "one.mp3").string(), std::ios::binary) << std::string(4096, '\xff');
    const long before = ResidentKiB();
    Watch watch({"--list", list, "watch", tree.string()});
    platform::FileWatch saves;
    saves.Open(list);
    for (auto start = Clock::now(); Programs(list) == 0 && Clock::now() - start < std::chrono::seconds(120);)
        saves.Wait(200);
    const long watching = ResidentKiB();
    const double cpuStart = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds)); // the measured idle time itself
    const double cpu = CpuSeconds() - cpuStart;
    std::printf("a watch of 10,100 folders (100 x 100 below one), nothing happening for %d s:\n", idleSeconds);
    std::printf("  CPU time used: %.3f s (%.4f%% of one core)\n", cpu, 100.0 * cpu / idleSeconds);
    std::printf("  memory: %ld KiB resident more than before it started (%ld KiB in all)\n", watching - before,
                watching);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t programs = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const fs::path root = fs::temp_directory_path() / ("tarnvale-bench-follow-" + std::to_string(::getpid()));
    fs::create_directories(root);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("(timings depend on the machine and on what else runs on it)\n");
    VerifyFigures(root, programs);
    SettleFigures(root);
    IdleFigures(root, idleSeconds);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
