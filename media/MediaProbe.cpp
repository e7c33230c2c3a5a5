// Type detection: a table from extension to probe, the MPEG-1 stream test and the AVI index walk.
#include "media/MediaProbe.h"

#include "core/MediaType.h"
#include "media/MpegStream.h"
#include "media/RiffReader.h"
#include "platform/FileReader.h"
#include "platform/Text.h"

#include <cstring>
#include <string>

namespace tarnvale {
namespace {

using Probe = void (*)(CMediaInfo&, const char*);

void ProbeMp3(CMediaInfo& record, const char*) {
    record.m_nType = MEDIA_MP3;
}

struct ExtensionProbe {
    const char* extension;
    Probe probe;
};

// Looked at in this order; compared without regard to letter case.
constexpr ExtensionProbe kProbes[] = {
    {".mpeg", ProbeMpeg}, {".mpg", ProbeMpeg}, {".vob", ProbeMpeg}, {".avi", ProbeAvi}, {".mp3", ProbeMp3},
};

void Tell(const OperatorMessage& tell, const char* text) {
    if (tell)
        tell(text);
}

} // namespace

bool SetFile(CMediaInfo& record, const char* path, const OperatorMessage& tell) {
    if (!path || std::strlen(path) > kMaxPathBytes) {
        Tell(tell, kPathTooLongMessage);
        return false;
    }
    if (!DetectType(record, path, tell))
        return false;
    return record.SetPath(path);
}

bool SetFile(CMediaInfo& record, const std::string& path, std::string& refusal) {
    refusal.clear();
    return SetFile(record, path.c_str(), [&](const char* text) { refusal = text; });
}

bool DetectType(CMediaInfo& record, const char* path, const OperatorMessage& tell) {
    std::uint64_t size = 0;
    const bool haveSize = platform::FileSize(path, size);
    record.m_nSize = haveSize && size <= kMaxMediaFileSize ? static_cast<std::int32_t>(size) : 0;

    // The extension runs from the path's last dot to its end, even when that dot is in a folder's name.
    const char* dot = std::strrchr(path, '.');
    const char* extension = dot ? dot : "";
    for (const ExtensionProbe& entry : kProbes) {
        if (!platform::EqualsIgnoringCase(extension, entry.extension))
            continue;
        if (haveSize && size > kMaxMediaFileSize) {
            Tell(tell, kFileTooLargeMessage);
            return false;
        }
        entry.probe(record, path);
        return true;
    }
    Tell(tell, kUnsupportedFileMessage);
    return false;
}

void ProbeMpeg(CMediaInfo& record, const char* path) {
    record.m_nType = MEDIA_MPEG1;
    if (Mpeg1ParserAccepts(ClassifyMpegFile(path)))
        return;
    record.m_nType = MEDIA_MPEG2;
    record.m_nTailOffset = record.m_nSize - kMpegTailBytes;
}

void ProbeAvi(CMediaInfo& record, const char* path) {
    CRiffReader reader;
    if (!reader.Open(path))
        return;
    record.m_nType = MEDIA_AVI;
    // What the walk found counts even when the walk later failed.
    reader.FindIndex();
    record.m_nTailOffset = static_cast<std::int32_t>(static_cast<std::uint32_t>(reader.IndexOffset()));
}

} // namespace tarnvale
