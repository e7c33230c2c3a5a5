// tarnvale-server: the headless command server. Serves the programs of a list file, following the file as the
// catalogue tool edits it, answers clients on the command port and streams their programs until it is stopped.
#include "core/ParseInteger.h"
#include "platform/Console.h"
#include "tools/DefaultListFile.h"
#include "tools/HeadlessServer.h"
#include "tools/Version.h"

#include <cstdio>
#include <optional>
#include <string>

using namespace tarnvale;

namespace {

constexpr const char* kUsage =
    R"(Usage: tarnvale-server [--port N] [--list FILE] [--sessions N] [--allow NETS] [--verbose]

Serves the programs of a list file to clients on the local network: commands arrive as UDP datagrams on the
command port, and the chosen program is sent back over TCP. The server follows the list file: what tarnvale
adds or deletes while it runs is served from the next command on. It never writes the file. Stop it with
Ctrl+C or SIGTERM.

  --port N      UDP command port (default 10080; 0 takes any free port)
  --list FILE   the list file (default: %s; $TARNVALE_LIST names another)
  --verbose     one line on stderr per command received, per stream started or ended and per reload
  --sessions N  serve up to N clients at once, each with its own program (default 1: whoever
                connected last gets the replies and the stream)
  --allow NETS  answer and connect to only these addresses: IPv4 addresses or networks,
                comma-separated, such as 192.168.1.0/24,10.0.0.5 (default: every address)
  --help        this text
  --version     the version
)";

// 0 to go on, otherwise the exit code.
int ParseOptions(int argc, char** argv, ServerOptions& options) {
    options.list = DefaultListFile();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::printf(kUsage, DefaultListFile().c_str());
            return -1;
        } else if (arg == "--version") {
            std::printf("%s", VersionLine("tarnvale-server").c_str());
            return -1;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--port" && hasValue) {
            const std::optional<std::uint16_t> port = ParseInteger<std::uint16_t>(argv[++i], 0, 65535);
            if (!port) {
                std::fprintf(stderr, "tarnvale-server: --port wants a number from 0 to 65535, not \"%s\"\n", argv[i]);
                return 2;
            }
            options.port = *port;
        } else if (arg == "--list" && hasValue) {
            options.list = argv[++i];
        } else if (arg == "--sessions" && hasValue) {
            const std::optional<std::size_t> sessions = ParseInteger<std::size_t>(argv[++i], 1, kMaxServerSessions);
            if (!sessions) {
                std::fprintf(stderr, "tarnvale-server: --sessions wants a number from 1 to %zu, not \"%s\"\n",
                             kMaxServerSessions, argv[i]);
                return 2;
            }
            options.sessions = *sessions;
        } else if (arg == "--allow" && hasValue) {
            std::string error;
            std::optional<AllowList> allow = AllowList::Parse(argv[++i], &error);
            if (!allow) {
                std::fprintf(stderr, "tarnvale-server: --allow: %s\n", error.c_str());
                return 2;
            }
            options.allow = std::move(*allow);
        } else {
            std::fprintf(stderr, "tarnvale-server: %s \"%s\"; see tarnvale-server --help\n",
                         hasValue || arg.rfind("--", 0) != 0 ? "unknown argument" : "missing value after", arg.c_str());
            return 2;
        }
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
