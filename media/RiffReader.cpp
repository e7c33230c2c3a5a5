// The RIFF chunk walk. Lists are walked with a stack of their end offsets rather than by recursion, so a file of
// deeply nested lists costs a bounded amount of memory and can never exhaust the stack.
#include "media/RiffReader.h"

#include "core/ByteReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tarnvale {
namespace {

constexpr std::uint32_t kRiff = FourCC("RIFF");
constexpr std::uint32_t kList = FourCC("LIST");
constexpr std::uint32_t kMovi = FourCC("movi");
constexpr std::uint32_t kIdx1 = FourCC("idx1");
constexpr std::uint32_t kAvi = FourCC("AVI ");
constexpr std::uint32_t kAvix = FourCC("AVIX");

std::uint32_t Word(const std::uint8_t* bytes) {
    std::uint32_t value = 0;
    ByteReader(std::span<const std::uint8_t>(bytes, 4)).U32LE(value);
    return value;
}

// A chunk's whole length on disk: header, data and the pad byte that keeps the next chunk at an even offset.
std::uint64_t ChunkLength(std::uint32_t size) {
    return std::uint64_t(size) + (size & 1u) + 8;
}

} // namespace

void CRiffReader::Reset() {
    file_.Close();
    bytes_ = {};
    path_.clear();
    position_ = 0;
    fileSize_ = 0;
    indexOffset_ = 0;
}

bool CRiffReader::Open(const char* path) {
    Reset();
    path_ = path ? path : "";
    if (!path || !file_.Open(path_))
        return false;
    if (!file_.Size(fileSize_)) {
        file_.Close();
        return false;
    }
    return true;
}

void CRiffReader::OpenBytes(std::span<const std::uint8_t> bytes) {
    Reset();
    bytes_ = bytes;
    fileSize_ = bytes.size();
}

bool CRiffReader::ReadAt(void* buffer, std::size_t count) {
    std::size_t got = 0;
    if (file_.IsOpen()) {
        if (!file_.ReadAt(position_, buffer, count, got))
            return false;
    } else if (position_ < bytes_.size()) {
        got = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes_.size() - position_));
        std::memcpy(buffer, bytes_.data() + position_, got);
    }
    position_ += count;
    return true;
}

bool CRiffReader::FindIndex() {
    position_ = 0;
    std::uint8_t header[12] = {};
    if (!ReadAt(header, sizeof header) || Word(header) != kRiff)
        return false;
    const std::uint32_t form = Word(header + 8);
    if (form != kAvi && form != kAvix)
        return false;
    position_ = 0;
    return WalkChunks(fileSize_);
}

bool CRiffReader::WalkChunks(std::uint64_t end) {
    // ends holds the end offset of each list being walked, outermost first.
    std::vector<std::uint64_t> ends{end};
    while (!ends.empty()) {
        if (position_ >= ends.back()) {
            // A list is done: go on right after it, even when its last chunk claimed to run further.
            const std::uint64_t listEnd = ends.back();
            ends.pop_back();
            if (!ends.empty())
                position_ = listEnd;
            continue;
        }
        const std::uint64_t start = position_;
        std::uint8_t id[4] = {};
        if (!ReadAt(id, sizeof id))
            return false;
        const std::uint32_t code = Word(id);
        if (code == 0)
            return false;
        std::uint8_t size[4] = {};
        if (!ReadAt(size, sizeof size))
            return false;
        const std::uint64_t chunkEnd = start + ChunkLength(Word(size));
        if (code == kRiff || code == kList) {
            std::uint8_t type[4] = {};
            if (!ReadAt(type, sizeof type))
                return false;
            // Media data is never entered; neither is a list nested deeper than any real file nests.
            if (Word(type) != kMovi && ends.size() <= kMaxListDepth) {
                ends.push_back(chunkEnd);
                continue;
            }
        } else if (code == kIdx1) {
            indexOffset_ = start;
        }
        position_ = chunkEnd;
    }
    return true;
}

} // namespace tarnvale
