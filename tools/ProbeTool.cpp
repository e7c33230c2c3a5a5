// tarnvale-probe: the probe's verdict on each file named.
#include "tools/ProbeTool.h"
#include "core/MediaType.h"
#include "media/MediaProbe.h"
#include "tools/Version.h"

#include <cstdio>

namespace tarnvale {

int RunProbeTool(const std::vector<std::string>& args, const ToolStreams& io) {
    if (!args.empty() && args[0] == "--version") {
        io.out << VersionLine("tarnvale-probe");
        return 0;
    }
    if (args.empty() || args[0] == "-h" || args[0] == "--help") {
        (args.empty() ? io.err : io.out)
            << "usage: tarnvale-probe FILE...\n"
               "Probes each file as the catalogue would when it is added and prints one line per file:\n"
               "type code, type, size in bytes, tail offset, path. A file that cannot be added is reported on\n"
               "stderr, and the exit status is then 1. --version prints the version.\n";
        return args.empty() ? 2 : 0;
    }
    int status = 0;
    for (const std::string& path : args) {
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
