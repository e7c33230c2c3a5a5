// The catalogue page with a picture for each of COUNT programs, loaded on a phone-sized screen in headless Chromium
// over loopback: the time until it is usable (loaded, the pictures on screen shown; goal 2 s) and how many of the
// pictures the browser asked for (they load lazily). The pictures are put in the cache beforehand, so only serving
// is measured. Needs puppeteer-core in build/node (scripts/test.sh installs it). Usage: bench_page_pictures [COUNT]
#include "core/ListFile.h"
#include "core/MediaType.h"
#include "picture/PictureCache.h"
#include "server/HeadlessServer.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace tarnvale;

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const std::string puppeteer = TARNVALE_PUPPETEER;
    if (!std::filesystem::exists(puppeteer)) {
        std::fprintf(stderr, "bench_page_pictures: no browser driver in %s (scripts/test.sh installs it)\n",
                     puppeteer.c_str());
        return 1;
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tarnvale-page-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "programs");
    std::filesystem::create_directories(dir / "pictures");
    const std::string picture = (dir / "picture.jpg").string();
    if (std::system(("ffmpeg -v error -y -f lavfi -i testsrc2=s=160x120 -frames:v 1 " + picture).c_str()) != 0)
        return 1;
    CMediaInfoList catalogue;
    std::vector<CMediaInfo> records;
    for (int i = 0; i < count; ++i) {
        const std::string path = (dir / "programs" / ("program " + std::to_string(i) + ".mpg")).string();
        std::filesystem::copy_file(TARNVALE_MEDIA_FIXTURES "/mpeg2-program.mpg", path);
        CMediaInfo record;
        record.SetPath(path);
        record.m_nPID = i + 1;
        record.m_nType = MEDIA_MPEG2;
        records.push_back(record);
        std::filesystem::copy_file(picture, dir / "pictures" / (PictureKey(path) + ".jpg"));
    }
    catalogue.Assign(records);
    const std::string list = (dir / "programs.lst").string();
    if (!SaveListFile(list, catalogue))
        return 1;

    ServerOptions options;
    options.port = 0;
    options.address = 0x7F000001;
    options.list = list;
    options.http = 0;
    options.pictures = (dir / "pictures").string();
    options.convert.cacheFolder = (dir / "converted").string();
    auto server = std::make_unique<HeadlessServer>(options, ServerLines{});
    std::string error;
    if (!server->Start(error)) {
        std::fprintf(stderr, "bench_page_pictures: %s\n", error.c_str());
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(server->HttpPort()) + "/";
    for (int run = 0; run < 3; ++run) {
        std::filesystem::remove_all(dir / "profile");
        const std::string command =
            "node " TARNVALE_PAGE_PICTURES " '" + puppeteer + "' '" + (dir / "profile").string() + "' " + url;
        std::printf("%d programs, run %d: ", count, run + 1);
        std::fflush(stdout);
        if (std::system(command.c_str()) != 0)
            break;
    }
    std::printf("pictures made meanwhile (none expected): %zu\n", server->PictureRuns());
    server.reset();
    std::filesystem::remove_all(dir);
    return 0;
}
