// CMediaInfo: copying, the path field and the wire image.
#include "core/MediaInfo.h"

#include <cstring>

namespace tarnvale {
namespace {

// Length of a text in a fixed field, never reading past the field.
std::size_t FieldLength(const char* field, std::size_t capacity) {
    const void* end = std::memchr(field, '\0', capacity);
    return end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : capacity;
}

} // namespace

CMediaInfo& CMediaInfo::operator=(const CMediaInfo& other) {
    if (this != &other) {
        // The path up to and including its terminator, then the five integers.
        std::size_t length = FieldLength(other.m_szFile, kMaxPathBytes);
        std::memcpy(m_szFile, other.m_szFile, length);
        m_szFile[length] = '\0';
        m_nPID = other.m_nPID;
        m_nType = other.m_nType;
        m_nSize = other.m_nSize;
        m_nExtra = other.m_nExtra;
        m_nTailOffset = other.m_nTailOffset;
    }
    return *this;
}

bool CMediaInfo::SetPath(std::string_view path) {
    if (path.size() > kMaxPathBytes || path.find('\0') != std::string_view::npos)
        return false;
    std::memcpy(m_szFile, path.data(), path.size());
    m_szFile[path.size()] = '\0';
    return true;
}

void CMediaInfo::FillProgramEntry(ProgramEntry& entry) const {
    // Zero after the terminator, and no terminator when the path fills the field.
    std::size_t length = FieldLength(m_szFile, kProgramEntryPathBytes);
    std::memcpy(entry.szFile, m_szFile, length);
    std::memset(entry.szFile + length, 0, kProgramEntryPathBytes - length);
    entry.nPID = m_nPID;
    entry.nType = m_nType;
    entry.nSize = m_nSize;
    entry.nExtra = m_nExtra;
    entry.nTailOffset = m_nTailOffset;
}

bool CMediaInfo::operator==(const CMediaInfo& other) const {
    return Path() == other.Path() && m_nPID == other.m_nPID && m_nType == other.m_nType && m_nSize == other.m_nSize &&
           m_nExtra == other.m_nExtra && m_nTailOffset == other.m_nTailOffset;
}

} // namespace tarnvale
