// The catalogue records the tests build: a path and a PID, and the type, size and tail offset where a test needs
// them.
#pragma once

#include "core/MediaInfo.h"

#include <cstdint>
#include <string>

namespace tarnvale::test {

// A path the record cannot hold leaves it empty, which every comparison of paths then shows.
inline CMediaInfo Record(const std::string& path, std::int32_t pid, std::int32_t type = 0, std::int64_t size = 0,
                         std::int32_t tail = 0) {
    CMediaInfo record;
    record.SetPath(path);
    record.m_nPID = pid;
    record.m_nType = type;
    record.m_nSize = static_cast<std::int32_t>(size);
    record.m_nTailOffset = tail;
    return record;
}

} // namespace tarnvale::test
