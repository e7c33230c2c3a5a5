// HeadlessServer: the headless server in one piece. It loads the list file and follows it, serves the catalogue
// on the command port, and tells its operator what it does in lines it hands to the program (or to a test).
#pragma once

#include "core/ListFileFollower.h"
#include "core/MediaInfoList.h"
#include "net/AllowList.h"
#include "net/CommandService.h"
#include "net/Protocol.h"
#include "net/PublicUrl.h"
#include "platform/Socket.h"
#include "server/ConversionSide.h"
#include "server/HttpSide.h"
#include "server/PictureSide.h"
#include "server/SubtitleSide.h"
#include "server/UpnpSide.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tarnvale {

// Each session has a stream worker of its own, so their number is bounded.
inline constexpr std::size_t kMaxServerSessions = 256;

struct ServerOptions {
    std::uint16_t port = kCommandPort; // 0 takes any free port
    // The address the command socket binds to, in host order; 0 binds every local address.
    std::uint32_t address = 0;
    std::string list;
    // A line per command received, per stream started or ended and per reload.
    bool verbose = false;
    std::size_t sessions = 1;
    AllowList allow;
    // The HTTP port for players and browsers (0 takes any free port); none: no HTTP side.
    std::optional<std::uint16_t> http;
    // Announce the server on the LAN as a UPnP media server (the HTTP side serves the media: on a free port when
    // http is not set).
    bool upnp = false;
    std::string name;           // the name TVs show; empty: "Tarnvale on HOSTNAME"
    std::string interfaceName;  // empty: the first interface a LAN can reach
    std::uint16_t upnpPort = 0; // of the UPnP side's own server (control and events); 0 takes any free one
    // The front's address that players and TVs are told to use, handed to every side that writes URLs; none: the
    // address each request came in on.
    std::optional<PublicUrl> publicUrl;
    // With the HTTP side: video programs converted for the screens that cannot play their files.
    ConversionOptions convert;
    // Where the programs' pictures are kept; empty: DefaultPictureFolder().
    std::string pictures;
    // Debian's ffmpeg, which makes them.
    std::string ffmpeg = "ffmpeg";
};

// Where the server's lines go, each one whole and without its newline: out for what the operator reads as the
// server starts (the host, the programs, the port), log for what happens while it runs, each line led by
// "tarnvale-server: ". log is called from the server's threads, one whole line at a time.
struct ServerLines {
    std::function<void(const std::string&)> out;
    std::function<void(const std::string&)> log;
};

class HeadlessServer {
public:
    HeadlessServer(ServerOptions options, ServerLines lines);
    // Stops the server.
    ~HeadlessServer();
    HeadlessServer(const HeadlessServer&) = delete;
    HeadlessServer& operator=(const HeadlessServer&) = delete;

    // Loads the list file, starts following it and starts serving. False when the server cannot serve: error then
    // says why and what to do, in lines for the log (without their "tarnvale-server: ").
    bool Start(std::string& error);
    // Says goodbye on the LAN, stops serving (no command runs and no stream is sent any more), then stops following
    // the list file.
    void Stop();

    // The command port; 0 while the server is not serving.
    std::uint16_t BoundPort() const { return service_.BoundPort(); }
    // The HTTP port; 0 without an HTTP side.
    std::uint16_t HttpPort() const { return http_.BoundPort(); }
    // The picture maker's runs so far.
    std::size_t PictureRuns() const { return pictures_.Runs(); }

private:
    void Out(const std::string& line) const;
    void Log(const std::string& line) const;
    void LogStream(const StreamEvent& event) const;
    void LogChange(const ListFileChange& change);
    bool StartPictures(std::string& error);
    bool StartUpnp(const UpnpPlace& place, const std::string& hostName, std::string& error);

    const ServerOptions options_;
    const ServerLines lines_;
    SocketLibrary sockets_;
    // In the order each needs the ones before it; the services stop before the follower (the UPnP side first, while
    // the HTTP side still serves what it announced), and all before the catalogue goes.
    CMediaInfoList catalogue_;
    ListFileFollower follower_;
    CommandService service_;
    // Before the HTTP side, which answers with it until it stops.
    ConversionSide conversions_;
    HttpSide http_;
    SubtitleSide subtitles_;
    PictureSide pictures_;
    UpnpSide upnp_;
};

} // namespace tarnvale
