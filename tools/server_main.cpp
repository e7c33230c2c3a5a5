// tarnvale-server: the headless command server. Serves the programs of a list file, following the file as the
// catalogue tool edits it, answers clients on the command port and streams their programs until it is stopped.
#include "core/OptionParser.h"
#include "platform/Console.h"
#include "server/HeadlessServer.h"
#include "server/HttpSide.h"
#include "server/UpnpSide.h"
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
programs over HTTP, with seeking, and the video programs also converted on the fly
(H.264 and AAC, with Debian's ffmpeg) for the browsers, phones and TVs that cannot play them; with --upnp (in the Linux build), TVs and apps find the server on the LAN
as a media server and browse and play its programs. The server follows the list file: what tarnvale adds
or deletes while it runs is served from the next command on. It never writes the file. Stop it with Ctrl+C
or SIGTERM.
)";

OptionRow HttpOption(std::optional<std::uint16_t>& port) {
    return IntegerOption<std::uint16_t>("--http", "PORT",
                                        "also serve the programs over HTTP on PORT, for players and browsers:\n"
                                        "http://HOST:PORT/ lists them (default: no HTTP; 0 takes any free port)",
                                        port, 0, 65535);
}

// Where the build has no UPnP side, --upnp stays in the help to say so.
OptionRow UpnpOption(bool& upnp) {
    if (!UpnpSide::Available())
        return OptionRow{"--upnp",
                         {},
                         {},
                         "not in this build: the UPnP side is in the Linux build of the server",
                         [](const std::string&) { return std::string("--upnp: ") + UpnpSide::kAbsentText; }};
    return SwitchOption("--upnp",
                        "announce the server on the LAN as a UPnP media server, so that TVs and apps\nfind it "
                        "(needs the HTTP side: without --http it takes a free port)",
                        upnp);
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
                         "one line on stderr per command received, per stream started or ended, per HTTP request,\n"
                         "per UPnP action or subscription and per reload",
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
            OptionRow{"--public-url",
                      {},
                      "URL",
                      "the address players are told to use, such as http://front.lan:8080 for a caching\n"
                      "front: the playlist, the JSON and the page lead there (default: the address\n"
                      "each request came in on); its host is answered as this machine's own names",
                      [&options](const std::string& text) {
                          std::string error;
                          options.publicUrl = ParsePublicUrl(text, &error);
                          return options.publicUrl ? std::string() : "--public-url: " + error;
                      }},
            IntegerOption<unsigned>("--conversions", "N",
                                    "with the HTTP side, convert up to N programs at once for the screens that "
                                    "cannot\nplay their files; beyond that a request is answered 503 (default " +
                                        std::to_string(ConversionOptions::DefaultConversions()) +
                                        "; 0 converts\nnothing)",
                                    options.convert.conversions, 0, 256),
            TextOption("--convert-cache", "DIR",
                       "keep the converted segments in DIR (default: $XDG_CACHE_HOME/tarnvale or\n"
                       "~/.cache/tarnvale)",
                       options.convert.cacheFolder),
            IntegerOption<std::uint64_t>("--convert-cache-size", "MIB",
                                         "keep at most MIB mebibytes of converted segments, the least recently "
                                         "used\ndropped first (default 4096)",
                                         options.convert.cacheMiB, 16, std::uint64_t{1} << 30),
            UpnpOption(options.upnp),
            TextOption("--name", "TEXT", "with --upnp, the name TVs show (default: Tarnvale on HOSTNAME)",
                       options.name),
            TextOption("--interface", "NAME",
                       "with --upnp, the network interface to announce on (default: the first that is\nup, "
                       "not loopback, with an IPv4 address)",
                       options.interfaceName),
            IntegerOption<std::uint16_t>("--upnp-port", "N",
                                         "with --upnp, the TCP port for control and events, 49152 to 65535 (default: "
                                         "the\nfirst free one from 49152)",
                                         options.upnpPort, 0, 65535),
            TextOption("--pictures", "FOLDER",
                       "with --http, where the programs' pictures are kept (default: tarnvale/pictures in\nthe "
                       "user's cache folder, ~/.cache or %LOCALAPPDATA%); delete it to have them made again",
                       options.pictures),
        });
    std::vector<std::string> words;
    if (const std::optional<int> status =
            parser.Parse(std::vector<std::string>(argv + 1, argv + argc), words, std::cout, std::cerr))
        return *status == 0 ? -1 : *status;
    if (!words.empty()) {
        std::cerr << parser.UsageError("unknown argument \"" + words[0] + "\"");
        return 2;
    }
    // Left without --upnp, they would be ignored without a word.
    if (!options.upnp && (!options.name.empty() || !options.interfaceName.empty() || options.upnpPort != 0)) {
        std::cerr << parser.UsageError("--name, --interface and --upnp-port go with --upnp");
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
