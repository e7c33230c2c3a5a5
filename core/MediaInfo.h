// CMediaInfo: one catalogue record, held by value.
#pragma once

#include "core/ProgramEntry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnvale {

inline constexpr std::size_t kMaxPathBytes = 255; // characters of m_szFile, before its terminator
inline constexpr std::int32_t kDefaultExtra = 10240;

class CMediaInfo {
public:
    CMediaInfo() = default;
    CMediaInfo(const CMediaInfo& other) { *this = other; }
    CMediaInfo& operator=(const CMediaInfo& other);

    // Sets the path; false (and nothing changed) when it holds more than kMaxPathBytes bytes or a NUL.
    bool SetPath(std::string_view path);
    std::string_view Path() const { return m_szFile; }

    void FillProgramEntry(ProgramEntry& entry) const;

    bool operator==(const CMediaInfo& other) const;

    char m_szFile[kMaxPathBytes + 1] = {};
    std::int32_t m_nPID = 0;
    std::int32_t m_nType = 0;
    std::int32_t m_nSize = 0;
    std::int32_t m_nExtra = kDefaultExtra;
    std::int32_t m_nTailOffset = 0;
};

} // namespace tarnvale
