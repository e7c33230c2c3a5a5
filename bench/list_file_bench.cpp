// Load and save of a 100,000-record list file, against reading the same file's bytes with one plain read.
#include "BenchTiming.h"
#include "core/ListFile.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace tarnvale;

int main() {
    constexpr int kRecords = 100000;
    constexpr int kRuns = 7;
    const std::string path = (std::filesystem::temp_directory_path() / "tarnvale-bench.lst").string();

    CMediaInfoList list;
    for (int i = 0; i < kRecords; ++i) {
        CMediaInfo record;
        record.SetPath("C:\\Media\\Programs\\Season " + std::to_string(i / 100) + "\\episode-" + std::to_string(i) +
                       ".mpg");
        record.m_nPID = i;
        record.m_nType = i % 4;
        record.m_nSize = i * 1000;
        list.Append(record);
    }
    if (!SaveListFile(path, list)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    const auto fileBytes = std::filesystem::file_size(path);

    // The baseline reads the file the way any loader must: into fresh memory, with one call.
    const double plainRead = bench::BestSeconds(kRuns, [&] {
        std::vector<char> buffer(fileBytes);
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file || std::fread(buffer.data(), 1, buffer.size(), file) != buffer.size())
            std::abort();
        std::fclose(file);
    });
    CMediaInfoList loaded;
    const double load = bench::BestSeconds(kRuns, [&] {
        if (!LoadListFile(path, loaded) || loaded.Count() != kRecords)
            std::abort();
    });
    const double save = bench::BestSeconds(kRuns, [&] {
        if (!SaveListFile(path, list))
            std::abort();
    });
    std::filesystem::remove(path);

    std::printf("list file: %d records, %llu bytes\n", kRecords, static_cast<unsigned long long>(fileBytes));
    std::printf("  plain read   %8.2f ms\n", plainRead * 1e3);
    std::printf("  load         %8.2f ms  %12.0f records/s  %.2fx the plain read (target: 3x or less)\n", load * 1e3,
                kRecords / load, load / plainRead);
    std::printf("  save         %8.2f ms  %12.0f records/s  (written beside, flushed to disk, renamed)\n", save * 1e3,
                kRecords / save);
    return 0;
}
