// The network sides: started in the order each needs the one before it, stopped the other way.
#include "server/NetworkSides.h"

#include "core/MediaType.h"
#include "net/HostAddress.h"

#include <cstdio>
#include <filesystem>

namespace tarnvale {

std::string NameTvsShow(const NetworkSettings& settings) {
    if (!settings.name.empty())
        return settings.name;
    std::string address, host;
    GetHostAddress(address, &host);
    return "Tarnvale on " + (host.empty() ? std::string("this computer") : host);
}

NetworkSides::NetworkSides(CMediaInfoList& catalogue) : catalogue_(catalogue), service_(catalogue) {}

NetworkSides::~NetworkSides() {
    Stop();
}

bool NetworkSides::Start(NetworkSettings settings, ServerLines lines, std::string& error) {
    Stop();
    settings_ = std::move(settings);
    lines_ = std::move(lines);
    failed_ = NetworkSide::None;
    if (!GetHostAddress(hostAddress_, &hostName_))
        hostAddress_.clear();
    if (!StartCommands(error))
        return false;
    // The interface is chosen before the HTTP side starts, which must let the UPnP library read the description
    // from it; a wrong interface still leaves the HTTP side to the players that were asked for.
    UpnpPlace place;
    std::string upnpError;
    const bool placed = settings_.upnp && UpnpSide::Choose(settings_.interfaceName, place, upnpError);
    if (settings_.http || placed) {
        if (!StartHttp(settings_.http.value_or(0), placed ? place.address : 0, error))
            return false;
    }
    if (!settings_.upnp)
        return true;
    if (!placed)
        return Fail(NetworkSide::Upnp, "cannot announce the server on the LAN: " + upnpError + ".", error);
    return StartUpnpAt(place, error);
}

bool NetworkSides::StartCommands(std::string& error) {
    if (settings_.verbose) {
        service_.SetLog([this](const std::string& line) { Log(line); });
        service_.SetStreamObserver([this](const StreamEvent& event) { LogStream(event); });
    } else {
        service_.SetLog({});
        service_.SetStreamObserver({});
    }
    service_.SetLocalAddress(settings_.address);
    service_.SetLocalPort(settings_.port);
    service_.SetSessionLimit(settings_.sessions);
    service_.SetAllowList(settings_.allow);
    platform::SystemError serviceError;
    if (service_.Start(&serviceError))
        return true;
    return Fail(NetworkSide::Command,
                "cannot receive on UDP port " + std::to_string(settings_.port) + ": " + serviceError.message +
                    ".\nIs another server running? Stop it, or choose another port with " + settings_.names.port + ".",
                error);
}

bool NetworkSides::StartHttp(std::uint16_t port, std::uint32_t ownAddress, std::string& error) {
    AllowList allow = settings_.allow;
    if (ownAddress)
        allow.AllowAlso(ownAddress);
    std::string httpError;
    // A request for a segment waits for its conversion: on a thread of its own, so that it holds up no other client.
    http_.SetThreadPerConnection(settings_.convert.conversions > 0);
    if (!http_.Start(
            catalogue_, allow, settings_.address, port, settings_.publicUrl,
            [this](const std::string& line) { Log(line); }, settings_.verbose, httpError))
        return Fail(NetworkSide::Http,
                    "the HTTP port " + std::to_string(port) + " could not be opened: " + httpError +
                        ".\nIs another program using that port? Stop it, or choose another port with " +
                        settings_.names.http + ".",
                    error);
    httpAllowsOwn_ = ownAddress;
    StartHttpExtras();
    const std::string bound = std::to_string(http_.BoundPort());
    Out("HTTP on port " + bound + ": http://" + (hostAddress_.empty() ? "localhost" : hostAddress_) + ":" + bound +
        "/" + (settings_.publicUrl ? ", for players through " + settings_.publicUrl->base + "/" : ""));
    return true;
}

void NetworkSides::StartHttpExtras() {
    const auto log = [this](const std::string& line) { Log(line); };
    subtitles_.Start(http_, catalogue_, log);
    PictureSettings pictures;
    pictures.folder = settings_.pictures.empty() ? DefaultPictureFolder() : settings_.pictures;
    pictures.maker.ffmpeg = settings_.ffmpeg;
    pictures.log = log;
    // Pictures and converted streams are extras: without a folder to keep them in, the programs are still served,
    // and the operator is told what is missing and why.
    std::string sideError;
    if (!pictures_.Start(http_, catalogue_, std::move(pictures), sideError))
        Log("programs are served without pictures: " + sideError +
            ". Name a folder the server may write to with --pictures.");
    if (!conversions_.Start(catalogue_, http_, settings_.convert, log, settings_.verbose, sideError))
        Log("video programs are served as files only (no converted streams): " + sideError +
            ". Name a folder the server may write to with --convert-cache.");
}

void NetworkSides::StopHttp() {
    pictures_.Stop();
    subtitles_.Stop();
    conversions_.Stop();
    http_.Stop();
    httpAllowsOwn_ = 0;
}

bool NetworkSides::StartUpnp(std::string& error) {
    if (upnpOn_)
        return true;
    UpnpPlace place;
    std::string upnpError;
    if (!UpnpSide::Choose(settings_.interfaceName, place, upnpError))
        return Fail(NetworkSide::Upnp, "cannot announce the server on the LAN: " + upnpError + ".", error);
    // The HTTP side comes up, or comes up again on its port, letting the UPnP library read the description.
    if (!http_.BoundPort() || !(settings_.allow.Allows(place.address) || httpAllowsOwn_ == place.address)) {
        const std::uint16_t port = http_.BoundPort() ? http_.BoundPort() : settings_.http.value_or(0);
        StopHttp();
        if (!StartHttp(port, place.address, error))
            return false;
    }
    return StartUpnpAt(place, error);
}

bool NetworkSides::StartUpnpAt(const UpnpPlace& place, std::string& error) {
    UpnpSettings upnp;
    upnp.interfaceName = place.interfaceName;
    upnp.address = place.address;
    upnp.port = settings_.upnpPort;
    upnp.friendlyName = settings_.name;
    upnp.hostName = hostName_;
    std::error_code ignored;
    upnp.listFile = std::filesystem::weakly_canonical(std::filesystem::absolute(settings_.list), ignored).string();
    if (upnp.listFile.empty())
        upnp.listFile = settings_.list;
    upnp.documentOrigin = "http://" + FormatIPv4(place.address) + ":" + std::to_string(http_.BoundPort());
    // The one place where the res URLs' origin is made: players go through the front when there is one.
    upnp.mediaOrigin = settings_.publicUrl ? settings_.publicUrl->base : upnp.documentOrigin;
    upnp.allow = settings_.allow;
    if (settings_.verbose)
        upnp.log = [this](const std::string& line) { Log(line); };
    upnp.warn = [this](const std::string& line) { Log(line); };
    upnp.publish = [this](HttpDocuments documents) { http_.SetDocuments(std::move(documents)); };
    upnp.hasPicture = pictures_.Check();
    upnp.convertedPath = conversions_.StreamPath();
    upnp.convertedInfo = ConversionSide::StreamProtocolInfo();
    upnp.route = [this](HttpRoute route) { http_.SetRoute(std::move(route)); };
    upnp.unroute = [this](const std::string& prefix) { http_.RemoveRoute(prefix); };
    std::vector<std::string> lines;
    std::string upnpError;
    if (!upnp_.Start(catalogue_, std::move(upnp), lines, upnpError))
        return Fail(NetworkSide::Upnp, "cannot announce the server on the LAN: " + upnpError, error);
    for (const std::string& line : lines)
        Out(line);
    upnpOn_ = true;
    return true;
}

void NetworkSides::StopUpnp() {
    upnp_.Stop();
    upnpOn_ = false;
}

void NetworkSides::Stop() {
    StopUpnp();
    StopHttp();
    service_.Stop();
}

void NetworkSides::CatalogueChanged() {
    upnp_.CatalogueChanged();
    pictures_.CatalogueChanged();
}

bool NetworkSides::Fail(NetworkSide side, const std::string& text, std::string& error) {
    failed_ = side;
    error = text;
    return false;
}

void NetworkSides::Out(const std::string& line) const {
    if (lines_.out)
        lines_.out(line);
}

void NetworkSides::Log(const std::string& line) const {
    if (lines_.log)
        lines_.log(line);
}

void NetworkSides::LogStream(const StreamEvent& event) const {
    const CMediaInfo& program = event.program;
    // With a session per client, the client's address first.
    const std::string client = event.client ? FormatIPv4(event.client) + ": " : "";
    char line[512];
    if (event.kind == StreamEvent::Kind::Started) {
        std::snprintf(line, sizeof line, "stream started: PID %d (%s, %d bytes, tail offset %d) %s", program.m_nPID,
                      MediaTypeText(program.m_nType), program.m_nSize, program.m_nTailOffset, program.m_szFile);
    } else if (event.kind == StreamEvent::Kind::Waiting) {
        std::snprintf(line, sizeof line, "stream waits: the client takes PID %d more slowly than it is sent",
                      program.m_nPID);
    } else {
        std::snprintf(line, sizeof line, "stream ended: PID %d, %llu bytes sent (tail block %llu): %s", program.m_nPID,
                      static_cast<unsigned long long>(event.totalBytes),
                      static_cast<unsigned long long>(event.tailBytes), StreamEndText(event.end));
    }
    Log(client + line);
}

} // namespace tarnvale
