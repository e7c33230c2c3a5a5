// The wire image of one catalogue record, in host order; the protocol code puts it on the wire big-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnvale {

inline constexpr std::size_t kProgramEntryPathBytes = 100;

struct ProgramEntry {
    // The first 100 bytes of the path; zero after its terminator, and no terminator at all for a path of 100
    // bytes or more.
    char szFile[kProgramEntryPathBytes] = {};
    std::int32_t nPID = 0;
    std::int32_t nType = 0;
    std::int32_t nSize = 0;
    std::int32_t nExtra = 0;
    std::int32_t nTailOffset = 0;
};

} // namespace tarnvale
