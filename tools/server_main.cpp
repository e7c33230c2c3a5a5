// tarnvale-server: the headless command server. Serves the programs of a list file, following the file as the
// catalogue tool edits it, answers clients on the command port and streams their programs until it is stopped.
#include "platform/Console.h"
#include "server/HeadlessServer.h"
#include "server/HttpSide.h"
#include "tools/DefaultListFile.h"
#include "tools/OptionParser.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

constexpr const char* kUsage =
    R"(Usage: tarnvale-server [--port N] [--list FILE] [--sessions N] [--allow NETS] [--http PORT] [--verbose]

Serves the programs of a list file to clients on the local network: commands arrive as UDP datagrams on the
command port, and the chosen program is sent back over TCP. With --http, players and browsers get the same
programs over HTTP, with seeking. The server follows the list file: what tarnvale adds or deletes while it runs
is served from the next command on. It never writes the file. Stop it with Ctrl+C or SIGTERM.
)";

OptionRow HttpOption(std::optional<std::uint16_t>& port) {
    return IntegerOption<std::uint16_t>("--http", "PORT",
                                        "also serve the programs over HTTP on PORT, for players and browsers:\n"
                                        "http://HOST:PORT/ lists them (default: no HTTP; 0 takes any free port)",
                                        port, 0, 65535);
}

// 0 to go on, otherwise the exit code.
int ParseOptions(int argc, char** argv, ServerOptions& options) {
    options.list = DefaultListFile();
    const OptionParser parser(
        "tarnvale-server", kUsage,
        {
            IntegerOption<std::uint16_t>("--port", "N", "UDP command port (default 10080; 0 takes any free port)",
                                         options.port, 0, 65535),
            TextOption("--list", "FILE", "the list file (default: " + options.list + "; $TARNVALE_LIST names another)",
                       options.list),
            SwitchOption("--verbose",
                         "one line on stderr per command received, per stream started or ended, per HTTP request\nand "
                         "per reload",
                         options.verbose, "-v"),
            IntegerOption<std::size_t>("--sessions", "N",
                                       "serve up to N clients at once, each with its own program (default 1: "
                                       "whoever\nconnected last gets the replies and the stream)",
                                       options.sessions, 1, kMaxServerSessions),
            OptionRow{"--allow",
                      {},
                      "NETS",
                      "answer and connect to only these addresses: IPv4 addresses or networks,\ncomma-separated, "
                      "such as 192.168.1.0/24,10.0.0.5 (default: every address)",
                      [&options](const std::string& text) {
                          std::string error;
                          std::optional<AllowList> allow = AllowList::Parse(text, &error);
                          if (!allow)
                              return "--allow: " + error;
                          options.allow = std::move(*allow);
                          return std::string();
                      }},
            HttpOption(options.http),
        });
    std::vector<std::string> words;
    if (const std::optional<int> status =
            parser.Parse(std::vector<std::string>(argv + 1, argv + argc), words, std::cout, std::cerr))
        return *status == 0 ? -1 : *status;
    if (!words.empty()) {
        std::cerr << parser.UsageError("unknown argument \"" + words[0] + "\"");
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
