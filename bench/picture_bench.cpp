// Pictures made in the background while streams play: an SD program (720x576 MPEG-2, 30 s) linked under COUNT
// names (each a new file to the cache), its pictures made by the cache while 4 curl clients take the program from
// the HTTP side at an SD rate; each client's rate with the pictures being made against without, and the time per
// picture against Debian's ffmpeg program taking the same frame by hand. Usage: bench_picture [COUNT] [SECONDS].
#include "core/MediaType.h"
#include "http/HttpService.h"
#include "picture/PictureCache.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStreams = 4;
constexpr const char* kRate = "625K"; // 5 Mbit/s, a DVD's rate

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Each of kStreams curls takes url at kRate for seconds: their rates in bytes per second.
std::vector<double> StreamRates(const std::string& url, int seconds) {
    const std::string command = "curl -s --limit-rate " + std::string(kRate) + " --max-time " +
                                std::to_string(seconds) + " -o /dev/null -w '%{size_download} %{time_total}\\n' " + url;
    std::vector<FILE*> pipes;
    for (int i = 0; i < kStreams; ++i)
        pipes.push_back(popen(command.c_str(), "r"));
    std::vector<double> rates;
    for (FILE* pipe : pipes) {
        double bytes = 0, took = 1;
        if (std::fscanf(pipe, "%lf %lf", &bytes, &took) != 2)
            bytes = 0;
        pclose(pipe);
        rates.push_back(bytes / took);
    }
    return rates;
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tarnvale-picture-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "programs");
    const std::string program = (dir / "sd.mpg").string();
    if (std::system(("ffmpeg -v error -y -f lavfi -i testsrc2=s=720x576:r=25:d=30 -f lavfi -i sine=d=30 "
                     "-c:v mpeg2video -b:v 4M -c:a mp2 -f vob " +
                     program)
                        .c_str()) != 0) {
        std::fprintf(stderr, "bench_picture: ffmpeg cannot make the SD program\n");
        return 1;
    }
    std::vector<CMediaInfo> programs;
    for (int i = 0; i < count; ++i) {
        const std::string link = (dir / "programs" / ("p" + std::to_string(i) + ".mpg")).string();
        std::filesystem::create_hard_link(program, link);
        CMediaInfo record;
        record.SetPath(link);
        record.m_nPID = i + 1;
        record.m_nType = MEDIA_MPEG2;
        programs.push_back(record);
    }

    // The same frame by hand, as the cache's maker takes it.
    PictureMakerSettings maker;
    std::string byHand;
    for (const std::string& argument : PictureArguments(maker, program, MEDIA_MPEG2, (dir / "hand.jpg").string(), 5)) {
        byHand += "'";
        for (const char c : argument)
            byHand += c == '\'' ? std::string("'\\''") : std::string(1, c);
        byHand += "' ";
    }
    const int handRuns = 5;
    const auto handStart = Clock::now();
    for (int i = 0; i < handRuns; ++i)
        if (std::system(byHand.c_str()) != 0)
            return 1;
    const double perHand = Since(handStart) / handRuns;

    CMediaInfoList catalogue;
    CMediaInfo served = programs.front();
    served.SetPath(program);
    catalogue.Assign({served});
    HttpService http(catalogue, AllowList{});
    if (!http.Start(0))
        return 1;
    const std::string url = "http://127.0.0.1:" + std::to_string(http.BoundPort()) + "/programs/1";

    const double alone = Mean(StreamRates(url, seconds));

    PictureSettings settings;
    settings.folder = (dir / "pictures").string();
    PictureCache cache(settings);
    std::string error;
    if (!cache.Start(error))
        return 1;
    const auto start = Clock::now();
    cache.Ahead(programs);
    const double beside = Mean(StreamRates(url, seconds));
    const std::size_t madeDuringStreams = cache.Runs();
    // The rest, for the time per picture.
    while (cache.Runs() < static_cast<std::size_t>(count) && Since(start) < 3600)
        usleep(100000);
    const double perPicture = Since(start) / static_cast<double>(cache.Runs());

    std::printf("%d SD programs (720x576 MPEG-2), %d streams at %s/s for %d s each\n", count, kStreams, kRate, seconds);
    std::printf("streams alone:          %.0f bytes/s each\n", alone);
    std::printf("with pictures made:     %.0f bytes/s each (%.3fx; %zu pictures made meanwhile)\n", beside,
                beside / alone, madeDuringStreams);
    std::printf("time per picture:       %.3f s in the cache, %.3f s by hand with ffmpeg (%.2fx)\n", perPicture,
                perHand, perPicture / perHand);
    cache.Stop();
    http.Stop();
    std::filesystem::remove_all(dir);
    return 0;
}
