// Fuzz target: the list-file reader over arbitrary bytes. A failure must say where it stopped, inside the bytes;
// what it reads must encode to bytes that read back as the same records.
#include "core/ListFile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnvale;
    std::vector<CMediaInfo> records;
    ListFileLoad load;
    const bool whole = ParseListFile({data, size}, records, &load);
    if (load.recordsLoaded != records.size() || load.failedOffset > size || whole != (load.failedRecord < 0) ||
        whole == !load.error.empty())
        __builtin_trap();
    for (const CMediaInfo& record : records) {
        if (!std::memchr(record.m_szFile, 0, sizeof record.m_szFile))
            __builtin_trap();
    }
    std::vector<CMediaInfo> again;
    if (!ParseListFile(EncodeListFile(records), again, nullptr) || again != records)
        __builtin_trap();
    return 0;
}
