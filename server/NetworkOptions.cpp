// The network sides' options.
#include "server/NetworkOptions.h"

#include "net/AllowList.h"
#include "net/PublicUrl.h"

namespace tarnvale {
namespace {

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

} // namespace

std::vector<OptionRow> NetworkOptionRows(NetworkSettings& settings) {
    return {
        IntegerOption<std::uint16_t>("--port", "N", "UDP command port (default 10080; 0 takes any free port)",
                                     settings.port, 0, 65535),
        SwitchOption("--verbose",
                     "one line on stderr per command received, per stream started or ended, per HTTP request,\n"
                     "per UPnP action or subscription and per reload",
                     settings.verbose, "-v"),
        IntegerOption<std::size_t>("--sessions", "N",
                                   "serve up to N clients at once, each with its own program (default 1: "
                                   "whoever\nconnected last gets the replies and the stream)",
                                   settings.sessions, 1, kMaxServerSessions),
        OptionRow{"--allow",
                  {},
                  "NETS",
                  "answer and connect to only these addresses: IPv4 addresses or networks,\ncomma-separated, "
                  "such as 192.168.1.0/24,10.0.0.5 (default: every address)",
                  [&settings](const std::string& text) {
                      std::string error;
                      std::optional<AllowList> allow = AllowList::Parse(text, &error);
                      if (!allow)
                          return "--allow: " + error;
                      settings.allow = std::move(*allow);
                      return std::string();
                  }},
        IntegerOption<std::uint16_t>("--http", "PORT",
                                     "also serve the programs over HTTP on PORT, for players and browsers:\n"
                                     "http://HOST:PORT/ lists them (default: no HTTP; 0 takes any free port)",
                                     settings.http, 0, 65535),
        OptionRow{"--public-url",
                  {},
                  "URL",
                  "the address players are told to use, such as http://front.lan:8080 for a caching\n"
                  "front: the playlist, the JSON and the page lead there (default: the address\n"
                  "each request came in on); its host is answered as this machine's own names",
                  [&settings](const std::string& text) {
                      std::string error;
                      settings.publicUrl = ParsePublicUrl(text, &error);
                      return settings.publicUrl ? std::string() : "--public-url: " + error;
                  }},
        UpnpOption(settings.upnp),
        TextOption("--name", "TEXT", "with --upnp, the name TVs show (default: Tarnvale on HOSTNAME)", settings.name),
        TextOption("--interface", "NAME",
                   "with --upnp, the network interface to announce on (default: the first that is\nup, "
                   "not loopback, with an IPv4 address)",
                   settings.interfaceName),
        IntegerOption<std::uint16_t>("--upnp-port", "N",
                                     "with --upnp, a TCP port of their own for control and events (default: the\n"
                                     "HTTP port)",
                                     settings.upnpPort, 0, 65535),
        IntegerOption<unsigned>("--conversions", "N",
                                "with the HTTP side, convert up to N programs at once for the screens that "
                                "cannot\nplay their files; beyond that a request is answered 503 (default " +
                                    std::to_string(ConversionOptions::DefaultConversions()) + "; 0 converts\nnothing)",
                                settings.convert.conversions, 0, 256),
        TextOption("--convert-cache", "DIR",
                   "keep the converted segments in DIR (default: $XDG_CACHE_HOME/tarnvale or\n~/.cache/tarnvale)",
                   settings.convert.cacheFolder),
        IntegerOption<std::uint64_t>("--convert-cache-size", "MIB",
                                     "keep at most MIB mebibytes of converted segments, the least recently "
                                     "used\ndropped first (default 4096)",
                                     settings.convert.cacheMiB, 16, std::uint64_t{1} << 30),
        TextOption("--pictures", "FOLDER",
                   "with --http, where the programs' pictures are kept (default: tarnvale/pictures in\nthe "
                   "user's cache folder, ~/.cache or %LOCALAPPDATA%); delete it to have them made again",
                   settings.pictures),
    };
}

std::string NetworkOptionsMismatch(const NetworkSettings& settings) {
    // Left without --upnp, they would be ignored without a word.
    if (!settings.upnp && (!settings.name.empty() || !settings.interfaceName.empty() || settings.upnpPort != 0))
        return "--name, --interface and --upnp-port go with --upnp";
    return {};
}

} // namespace tarnvale
