// tarnvale-server: the headless command server. Serves the programs of a list file, following the file as the
// catalogue tool edits it, answers clients on the command port and streams their programs until it is stopped.
#include "core/OptionParser.h"
#include "platform/Console.h"
#include "server/HeadlessServer.h"
#include "server/NetworkOptions.h"
#include "tools/DefaultListFile.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

constexpr const char* kUsage =
    R"(Usage: tarnvale-server [--port N] [--list FILE] [--sessions N] [--allow NETS] [--http PORT]
                       [--public-url URL] [--upnp] [--name TEXT] [--interface NAME] [--upnp-port N]
                       [--conversions N] [--convert-cache DIR] [--convert-cache-size MIB] [--pictures FOLDER]
                       [--verbose]

Serves the programs of a list file to clients on the local network: commands arrive as UDP datagrams on the
command port, and the chosen program is sent back over TCP. With --http, players and browsers get the same
programs over HTTP, with seeking, and the video programs also converted on the fly (H.264 and AAC, with
Debian's ffmpeg) for the browsers, phones and TVs that cannot play them; with --upnp, TVs and apps find the
server on the LAN as a media server and browse and play its programs. The server follows the list file: what tarnvale adds
or deletes while it runs is served from the next command on. It never writes the file. Stop it with Ctrl+C
or SIGTERM.
)";

// 0 to go on, otherwise the exit code.
int ParseOptions(int argc, char** argv, ServerOptions& options) {
    options.list = DefaultListFile();
    // The list file beside the command port, as the help has always listed them.
    std::vector<OptionRow> rows = NetworkOptionRows(options);
    rows.insert(rows.begin() + 1,
                TextOption("--list", "FILE",
                           "the list file (default: " + options.list + "; $TARNVALE_LIST names another)",
                           options.list));
    const OptionParser parser("tarnvale-server", kUsage, std::move(rows));
    std::vector<std::string> words;
    if (const std::optional<int> status =
            parser.Parse(std::vector<std::string>(argv + 1, argv + argc), words, std::cout, std::cerr))
        return *status == 0 ? -1 : *status;
    if (!words.empty()) {
        std::cerr << parser.UsageError("unknown argument \"" + words[0] + "\"");
        return 2;
    }
    if (const std::string mismatch = NetworkOptionsMismatch(options); !mismatch.empty()) {
        std::cerr << parser.UsageError(mismatch);
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    ServerOptions options;
    if (int code = ParseOptions(argc, argv, options))
        return code < 0 ? 0 : code;

    platform::StopRequest stop; // before any thread starts
    HeadlessServer server(options,
                          ServerLines{[](const std::string& line) {
                                          std::printf("%s\n", line.c_str());
                                          std::fflush(stdout);
                                      },
                                      [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }});
    std::string error;
    if (!server.Start(error)) {
        std::fprintf(stderr, "tarnvale-server: %s\n", error.c_str());
        return 1;
    }
    const std::string reason = stop.Wait();
    std::printf("Stopping (%s)...\n", reason.c_str());
    std::fflush(stdout);
    server.Stop();
    stop.Done();
    return 0;
}
