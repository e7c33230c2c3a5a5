// NetworkSides: everything a Tarnvale program serves on the network, over one catalogue: the command service, the
// HTTP side for players and browsers, and the UPnP side that TVs and apps find. One settings structure, one start,
// one stop order and one "the catalogue changed", so that the headless server and the window serve alike.
#pragma once

#include "core/MediaInfoList.h"
#include "net/AllowList.h"
#include "net/CommandService.h"
#include "net/Protocol.h"
#include "net/PublicUrl.h"
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

// How the operator changes each setting in the program at hand: a side that cannot start says what to do in the
// program's own words.
struct SideSettingNames {
    std::string port = "--port";
    std::string http = "--http";
    std::string interfaceName = "--interface";
};

struct NetworkSettings {
    std::uint16_t port = kCommandPort; // 0 takes any free port
    // The address the command socket and the HTTP side bind to, in host order; 0 binds every local address.
    std::uint32_t address = 0;
    // The list file the catalogue is kept in: the UPnP side's identity is made from its absolute path, so that the
    // same server is the same device to TVs across restarts.
    std::string list;
    // A line per command received, per stream started or ended, per HTTP request, per UPnP action and per reload.
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
    SideSettingNames names;
};

// Where the sides' lines go, each one whole and without its newline: out for what the operator reads as a side
// starts (its port, its address), log for what happens while they run. log is called from the sides' threads, one
// whole line at a time.
struct ServerLines {
    std::function<void(const std::string&)> out;
    std::function<void(const std::string&)> log;
};

// The name TVs list the server under, as the UPnP side names itself: settings.name, or "Tarnvale on HOSTNAME".
std::string NameTvsShow(const NetworkSettings& settings);

enum class NetworkSide { None, Command, Http, Upnp };

class NetworkSides {
public:
    // The catalogue must outlive the sides; its writer tells them of each change.
    explicit NetworkSides(CMediaInfoList& catalogue);
    // Stops every side.
    ~NetworkSides();
    NetworkSides(const NetworkSides&) = delete;
    NetworkSides& operator=(const NetworkSides&) = delete;

    // Starts the command service, then the HTTP side, then the UPnP side, as settings ask. On failure error says
    // what went wrong and what to do, in settings.names; the sides started before it go on serving (Failed()
    // names the one that did not), for the caller to stop or to keep.
    bool Start(NetworkSettings settings, ServerLines lines, std::string& error);
    // The UPnP side alone, while the others serve: it brings the HTTP side up on a free port when that is off.
    bool StartUpnp(std::string& error);
    void StopUpnp();
    // The UPnP side first, with its goodbye, while the HTTP side still serves what it announced; then the HTTP
    // side; then the command service. Start may follow.
    void Stop();

    // The catalogue was changed: whoever follows it (a TV's listing) hears of it. From any thread.
    void CatalogueChanged();

    NetworkSide Failed() const { return failed_; }
    const NetworkSettings& Settings() const { return settings_; }
    // 0 for a side that does not serve.
    std::uint16_t CommandPort() const { return service_.BoundPort(); }
    std::uint16_t HttpPort() const { return http_.BoundPort(); }
    bool UpnpOn() const { return upnpOn_; }
    // The picture maker's runs so far.
    std::size_t PictureRuns() const { return pictures_.Runs(); }

private:
    bool StartCommands(std::string& error);
    // ownAddress (0: none) is let in beside the allow list: the UPnP library reads the description from there.
    bool StartHttp(std::uint16_t port, std::uint32_t ownAddress, std::string& error);
    // What answers on the HTTP side beside the programs: subtitles, pictures, converted streams. Started once the
    // HTTP side serves, stopped before it goes.
    void StartHttpExtras();
    void StopHttp();
    bool StartUpnpAt(const UpnpPlace& place, std::string& error);
    bool Fail(NetworkSide side, const std::string& text, std::string& error);
    void Out(const std::string& line) const;
    void Log(const std::string& line) const;
    void LogStream(const StreamEvent& event) const;

    CMediaInfoList& catalogue_;
    NetworkSettings settings_;
    ServerLines lines_;
    NetworkSide failed_ = NetworkSide::None;
    // This machine's address as players reach it, for the lines; empty when it cannot be found.
    std::string hostAddress_;
    std::string hostName_;
    // In the order each needs the ones before it; Stop goes the other way. A further side that answers on the HTTP
    // side (HttpSide::SetRoute) is one more member after http_: started in StartHttpExtras once the HTTP side
    // serves, stopped in StopHttp before it, told in CatalogueChanged when it keeps anything of the catalogue.
    CommandService service_;
    HttpSide http_;
    std::uint32_t httpAllowsOwn_ = 0; // the own address the HTTP side lets in, 0 for none
    ConversionSide conversions_;
    SubtitleSide subtitles_;
    PictureSide pictures_;
    UpnpSide upnp_;
    bool upnpOn_ = false;
};

} // namespace tarnvale
