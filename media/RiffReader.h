// CRiffReader: finds the "idx1" index chunk of an AVI file by walking its RIFF chunk tree. The walk reads only
// chunk headers; media data is never read.
#pragma once

#include "platform/FileReader.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarnvale {

// A four-character code as the little-endian word that its four bytes make in file order.
constexpr std::uint32_t FourCC(const char (&code)[5]) {
    return std::uint32_t(std::uint8_t(code[0])) | std::uint32_t(std::uint8_t(code[1])) << 8 |
           std::uint32_t(std::uint8_t(code[2])) << 16 | std::uint32_t(std::uint8_t(code[3])) << 24;
}

class CRiffReader {
public:
    // Lists nested deeper than this are stepped over whole, like "movi": no real AVI file nests half as deep, and
    // the walk's memory stays bounded whatever a file claims.
    static constexpr std::size_t kMaxListDepth = 32;

    CRiffReader() = default;
    CRiffReader(const CRiffReader&) = delete;
    CRiffReader& operator=(const CRiffReader&) = delete;

    // Opens a file, dropping whatever was open; false when it cannot be opened for reading.
    bool Open(const char* path);
    // Walks bytes already in memory instead of a file. The bytes must outlive the reader's use of them.
    void OpenBytes(std::span<const std::uint8_t> bytes);

    // Reads up to count bytes at the position into buffer and advances the position by count, whether or not
    // that many were there (bytes past the end are left as they were). False only when nothing could be read for
    // a reason other than the end of the data.
    bool ReadAt(void* buffer, std::size_t count);

    // Checks for a RIFF "AVI " or "AVIX" form and walks it. False for another form or a walk that ran into
    // nonsense; IndexOffset() keeps whatever the walk found before that.
    bool FindIndex();

    // Walks the chunks from the position to end. "RIFF" and "LIST" chunks are entered, except "movi" lists;
    // every "idx1" chunk met records its offset, a later one replacing an earlier one. Succeeds when the walk
    // reaches end; fails on a read error or a zero chunk identifier (as met past the end of the data).
    bool WalkChunks(std::uint64_t end);

    const std::string& Path() const { return path_; }
    std::uint64_t Position() const { return position_; }
    void SetPosition(std::uint64_t position) { position_ = position; }
    std::uint64_t FileSize() const { return fileSize_; }
    // Offset of the last "idx1" chunk header met; 0 while none has been.
    std::uint64_t IndexOffset() const { return indexOffset_; }

private:
    void Reset();

    std::string path_;
    platform::FileReader file_;
    std::span<const std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
    std::uint64_t fileSize_ = 0;
    std::uint64_t indexOffset_ = 0;
};

} // namespace tarnvale
