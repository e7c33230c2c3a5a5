// Verifying programs: the look, then for a deep check the probe.
#include "media/CatalogueVerify.h"

#include "core/MediaType.h"
#include "media/MediaProbe.h"
#include "platform/File.h"

namespace tarnvale {

bool ReprobeProgram(const CMediaInfo& record, CMediaInfo& now, std::string& refusal) {
    now = record;
    now.m_nType = 0;
    now.m_nTailOffset = 0;
    return SetFile(now, std::string(record.Path()), refusal);
}

ProgramCheck CheckProgram(const CMediaInfo& record, bool deep) {
    using Finding = ProgramCheck::Finding;
    ProgramCheck check;
    const platform::FileStatus look = platform::LookAtFile(record.m_szFile);
    if (look.state == platform::FileStatus::State::Missing || look.isFolder) {
        check.finding = Finding::Gone;
        return check;
    }
    if (look.state == platform::FileStatus::State::Unreadable) {
        check.finding = Finding::Unreadable;
        return check;
    }
    check.size = look.size;
    if (record.m_nSize < 0 || look.size != static_cast<std::uint64_t>(record.m_nSize)) {
        check.finding = Finding::SizeChanged;
        return check;
    }
    if (!deep)
        return check;
    if (!ReprobeProgram(record, check.now, check.refusal))
        check.finding = Finding::Refused;
    else if (check.now.m_nType != record.m_nType)
        check.finding = Finding::TypeChanged;
    else if (check.now.m_nTailOffset != record.m_nTailOffset)
        check.finding = Finding::TailChanged;
    return check;
}

std::string FindingLine(const CMediaInfo& record, const ProgramCheck& check) {
    using Finding = ProgramCheck::Finding;
    const std::string program = std::string(record.Path()) + " (PID " + std::to_string(record.m_nPID) + ")";
    switch (check.finding) {
    case Finding::Agrees:
        return "agrees: " + program;
    case Finding::Gone:
        return "gone: " + program;
    case Finding::Unreadable:
        return "unreadable: " + program;
    case Finding::SizeChanged:
        return "size changed: " + program + ": " + std::to_string(check.size) + " bytes, was " +
               std::to_string(record.m_nSize);
    case Finding::TypeChanged:
        return "type changed: " + program + ": " + MediaTypeText(check.now.m_nType) + ", was " +
               MediaTypeText(record.m_nType);
    case Finding::TailChanged:
        return "tail offset changed: " + program + ": " + std::to_string(check.now.m_nTailOffset) + ", was " +
               std::to_string(record.m_nTailOffset);
    case Finding::Refused:
        return "refused by the probe now: " + program + ": " + check.refusal;
    }
    return program;
}

} // namespace tarnvale
