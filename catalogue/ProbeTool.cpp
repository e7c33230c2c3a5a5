// tarnvale-probe: the probe's verdict on each file named.
#include "catalogue/ProbeTool.h"
#include "core/MediaType.h"
#include "core/OptionParser.h"
#include "media/MediaProbe.h"

#include <cstdio>

namespace tarnvale {

int RunProbeTool(const std::vector<std::string>& args, const ToolStreams& io) {
    const OptionParser parser("tarnvale-probe",
                              "usage: tarnvale-probe FILE...\n"
                              "Probes each file as the catalogue would when it is added and prints one line per "
                              "file:\ntype code, type, size in bytes, tail offset, path. A file that cannot be added "
                              "is reported on\nstderr, and the exit status is then 1. After --, every argument is a "
                              "file.\n",
                              {});
    std::vector<std::string> files;
    if (const std::optional<int> status = parser.Parse(args, files, io.out, io.err))
        return *status;
    if (files.empty()) {
        io.err << parser.Help();
        return 2;
    }
    int status = 0;
    for (const std::string& path : files) {
        CMediaInfo record;
        const bool accepted =
            SetFile(record, path.c_str(), [&](const char* text) { io.err << path << ": " << text << '\n'; });
        if (!accepted) {
            status = 1;
            continue;
        }
        char line[64];
        std::snprintf(line, sizeof line, "%d %-5s %10d %11d ", record.m_nType, MediaTypeText(record.m_nType),
                      record.m_nSize, record.m_nTailOffset);
        io.out << line << record.m_szFile << '\n';
    }
    return status;
}

} // namespace tarnvale
