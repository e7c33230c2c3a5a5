// Folder search over a tree of 20,000 files in 200 folders, 2,000 of them media files that the search probes,
// against `find` walking the same tree in the same run. Both run on a warm cache; the best of several runs counts.
#include "BenchTiming.h"
#include "core/ByteWriter.h"
#include "media/FolderSearch.h"
#include "media/RiffReader.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarnvale;
namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 100;
constexpr int kMediaPerFolder = 10;
constexpr int kRuns = 5;
constexpr std::size_t kMpegBytes = 72 * 1024; // more than the MPEG test reads
constexpr std::size_t kAviFrames = 64;

using Bytes = std::vector<std::uint8_t>;

// Packs of one video packet each, MPEG-1 or MPEG-2 style, up to size bytes.
Bytes MpegFile(bool mpeg2, std::size_t size) {
    const Bytes pack1{0, 0, 1, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x00, 0x01};
    const Bytes pack2{0, 0, 1, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8};
    const Bytes header1{0x21, 0x00, 0x01, 0x00, 0x01};
    const Bytes header2{0x80, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01};
    Bytes out;
    while (out.size() < size) {
        const Bytes& pack = mpeg2 ? pack2 : pack1;
        const Bytes& header = mpeg2 ? header2 : header1;
        const std::size_t payload = 2048 - pack.size() - 6 - header.size();
        out.insert(out.end(), pack.begin(), pack.end());
        const std::size_t length = header.size() + payload;
        out.insert(out.end(), {0, 0, 1, 0xE0, std::uint8_t(length >> 8), std::uint8_t(length)});
        out.insert(out.end(), header.begin(), header.end());
        out.resize(out.size() + payload, 0x55);
    }
    return out;
}

void PutChunk(ByteWriter& w, const char (&id)[5], std::uint32_t size) {
    w.U32LE(FourCC(id));
    w.U32LE(size);
}

// RIFF AVI: a header list, a movi list of frames and an idx1 index, as an encoder lays them out.
Bytes AviFile() {
    const std::uint32_t frame = 1024;
    const std::uint32_t hdrl = 4 + (8 + 56) + (8 + 4 + (8 + 56) + (8 + 40));
    const std::uint32_t movi = 4 + kAviFrames * (8 + frame);
    const std::uint32_t idx1 = kAviFrames * 16;
    Bytes out;
    ByteWriter w(out);
    PutChunk(w, "RIFF", 4 + (8 + hdrl) + (8 + movi) + (8 + idx1));
    w.U32LE(FourCC("AVI "));
    PutChunk(w, "LIST", hdrl);
    w.U32LE(FourCC("hdrl"));
    PutChunk(w, "avih", 56);
    out.resize(out.size() + 56);
    PutChunk(w, "LIST", 4 + (8 + 56) + (8 + 40));
    w.U32LE(FourCC("strl"));
    PutChunk(w, "strh", 56);
    out.resize(out.size() + 56);
    PutChunk(w, "strf", 40);
    out.resize(out.size() + 40);
    PutChunk(w, "LIST", movi);
    w.U32LE(FourCC("movi"));
    for (std::size_t i = 0; i < kAviFrames; ++i) {
        PutChunk(w, "00dc", frame);
        out.resize(out.size() + frame, 0x33);
    }
    PutChunk(w, "idx1", idx1);
    out.resize(out.size() + idx1);
    return out;
}

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / ("tarnvale-bench-search-" + std::to_string(::getpid()));
    const Bytes mpeg1 = MpegFile(false, kMpegBytes), mpeg2 = MpegFile(true, kMpegBytes), avi = AviFile();
    const Bytes mp3(8 * 1024, 0xFB), other(512, 0x20);
    const char* mediaNames[] = {".mpg", ".vob", ".avi", ".mp3"};
    const Bytes* mediaBytes[] = {&mpeg1, &mpeg2, &avi, &mp3};
    const char* otherNames[] = {".txt", ".jpg", ".doc", ".srt", ".nfo"};
    std::uintmax_t mediaTotal = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        // Folders two deep, as a media library is kept: 20 groups of 10.
        const fs::path dir = root / ("group" + std::to_string(folder / 10)) / ("folder" + std::to_string(folder));
        fs::create_directories(dir);
        for (int file = 0; file < kFilesPerFolder; ++file) {
            const std::string stem = "file" + std::to_string(folder * kFilesPerFolder + file);
            if (file < kMediaPerFolder) {
                const int kind = (folder * kMediaPerFolder + file) % 4;
                Write(dir / (stem + mediaNames[kind]), *mediaBytes[kind]);
                mediaTotal += mediaBytes[kind]->size();
            } else {
                Write(dir / (stem + otherNames[file % 5]), other);
            }
        }
    }
    const int files = kFolders * kFilesPerFolder;

    const std::string findCommand = "find '" + root.string() + "' > /dev/null";
    bool findFailed = false;
    const double find = bench::BestSeconds(kRuns, [&] { findFailed |= std::system(findCommand.c_str()) != 0; });
    // The same command with nothing to walk: the cost of starting find, which the walk does not pay.
    const std::string startCommand = "find '" + root.string() + "' -maxdepth 0 > /dev/null";
    const double findStart = bench::BestSeconds(kRuns, [&] { findFailed |= std::system(startCommand.c_str()) != 0; });

    FolderSearchProgress result;
    std::vector<CMediaInfo> added;
    const double walk = bench::BestSeconds(kRuns, [&] {
        added.clear();
        std::int32_t counter = kFirstSearchPid;
        FolderSearchHooks hooks;
        hooks.add = [&](const CMediaInfo& record) { added.push_back(record); };
        result = SearchFolderNumbered(root.string(), counter, hooks);
    });
    fs::remove_all(root);
    if (findFailed || result.filesSeen != std::size_t(files) ||
        result.programsAdded != std::size_t(kFolders * kMediaPerFolder)) {
        std::fprintf(stderr, "the benchmark went wrong: find %s, %zu files seen, %zu programs added\n",
                     findFailed ? "failed" : "ran", result.filesSeen, result.programsAdded);
        return 1;
    }

    const double findWalk = find - findStart;
    std::printf("folder search: %d files in %d folders, %d media files (%.1f MiB) probed\n", files, kFolders,
                kFolders * kMediaPerFolder, mediaTotal / 1048576.0);
    std::printf("  find          %8.2f ms  %10.0f files/s   (%.2f ms of it starting the process)\n", find * 1e3,
                files / find, findStart * 1e3);
    std::printf("  folder search %8.2f ms  %10.0f files/s\n", walk * 1e3, files / walk);
    std::printf("  ratio         %8.2fx find's time (target: 3x or less); %.2fx its walk alone\n", walk / find,
                walk / findWalk);
    return 0;
}
