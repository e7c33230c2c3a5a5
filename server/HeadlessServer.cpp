// The headless server: started in the order that misses no change of the list file, stopped in the order that
// leaves no thread running on what is gone.
#include "server/HeadlessServer.h"

#include "core/ListFile.h"
#include "core/MediaType.h"
#include "net/HostAddress.h"

#include <cstdio>
#include <filesystem>

namespace tarnvale {
namespace {

std::string SkippedText(const std::string& list, std::size_t skipped) {
    return std::to_string(skipped) + " records of " + list + " have paths longer than 255 characters and are left out";
}

} // namespace

HeadlessServer::HeadlessServer(ServerOptions options, ServerLines lines)
    : options_(std::move(options)), lines_(std::move(lines)), follower_(options_.list, catalogue_),
      service_(catalogue_) {}

HeadlessServer::~HeadlessServer() {
    Stop();
}

bool HeadlessServer::Start(std::string& error) {
    if (!sockets_.Ready()) {
        error = "the system's sockets could not be started (WSAStartup failed)";
        return false;
    }

    std::string address, name;
    if (GetHostAddress(address, &name))
        Out(HostLine(name, address, options_.port));
    else
        Log("this host's name or address cannot be found; clients must be told its address some other way");

    // The folder is made when missing, so that it can be watched before the catalogue tool first saves there.
    std::error_code ignored;
    if (const std::filesystem::path folder = std::filesystem::path(options_.list).parent_path(); !folder.empty())
        std::filesystem::create_directories(folder, ignored);
    platform::SystemError watchError;
    const bool following = follower_.Watch(&watchError);
    ListFileLoad load;
    if (!follower_.Load(&load)) {
        error = FailedLoadText(options_.list, load) +
                ".\nNothing was changed; repair or move the file, or name another with --list.";
        return false;
    }
    if (load.recordsSkipped)
        Log(SkippedText(options_.list, load.recordsSkipped));
    const std::size_t count = catalogue_.Count();
    Out(std::to_string(count) + (count == 1 ? " program" : " programs") + " from " + options_.list +
        (load.fileMissing ? " (no such file yet; tarnvale add creates it)" : ""));
    if (!following)
        Log("changes to " + options_.list + " are not served until a restart: " + watchError.message);
    follower_.SetObserver([this](const ListFileChange& change) { LogChange(change); });
    follower_.Start();

    if (options_.verbose) {
        service_.SetLog([this](const std::string& line) { Log(line); });
        service_.SetStreamObserver([this](const StreamEvent& event) { LogStream(event); });
    }
    service_.SetLocalAddress(options_.address);
    service_.SetLocalPort(options_.port);
    service_.SetSessionLimit(options_.sessions);
    service_.SetAllowList(options_.allow);
    platform::SystemError serviceError;
    if (!service_.Start(&serviceError)) {
        error = "cannot receive on UDP port " + std::to_string(options_.port) + ": " + serviceError.message +
                ".\nIs another server running? Stop it, or choose another port with --port.";
        return false;
    }
    UpnpPlace place;
    if (options_.upnp) {
        std::string upnpError;
        if (!UpnpSide::Choose(options_.interfaceName, place, upnpError)) {
            error = "cannot announce the server on the LAN: " + upnpError + ".";
            return false;
        }
    }
    // The UPnP side's media are on the HTTP side.
    const std::optional<std::uint16_t> httpPort = options_.upnp ? options_.http.value_or(0) : options_.http;
    if (httpPort) {
        // The UPnP library reads the description from this machine's own address.
        AllowList allow = options_.allow;
        if (options_.upnp)
            allow.AllowAlso(place.address);
        std::string httpError;
        http_.SetThreadPerConnection(options_.convert.conversions > 0);
        if (!http_.Start(
                catalogue_, allow, options_.address, *httpPort, options_.publicUrl,
                [this](const std::string& line) { Log(line); }, options_.verbose, httpError)) {
            error = "cannot serve HTTP on port " + std::to_string(*httpPort) + ": " + httpError +
                    ".\nIs another program using that port? Stop it, or choose another port with --http.";
            return false;
        }
        if (!conversions_.Start(
                catalogue_, http_, options_.convert, [this](const std::string& line) { Log(line); }, options_.verbose,
                error))
            return false;
        const std::string port = std::to_string(http_.BoundPort());
        Out("HTTP on port " + port + ": http://" + (address.empty() ? "localhost" : address) + ":" + port + "/" +
            (options_.publicUrl ? ", for players through " + options_.publicUrl->base + "/" : ""));
    }
    if (options_.upnp && !StartUpnp(place, name, error))
        return false;
    if (options_.sessions > 1)
        Out("Serving up to " + std::to_string(options_.sessions) + " clients at once on UDP port " +
            std::to_string(service_.BoundPort()) + ". Press Ctrl+C to stop.");
    else
        Out("Serving on UDP port " + std::to_string(service_.BoundPort()) + ". Press Ctrl+C to stop.");
    return true;
}

bool HeadlessServer::StartUpnp(const UpnpPlace& place, const std::string& hostName, std::string& error) {
    UpnpSettings settings;
    settings.interfaceName = place.interfaceName;
    settings.address = place.address;
    settings.port = options_.upnpPort;
    settings.friendlyName = options_.name;
    settings.hostName = hostName;
    std::error_code ignored;
    settings.listFile = std::filesystem::weakly_canonical(std::filesystem::absolute(options_.list), ignored).string();
    if (settings.listFile.empty())
        settings.listFile = options_.list;
    settings.documentOrigin = "http://" + FormatIPv4(place.address) + ":" + std::to_string(http_.BoundPort());
    // The one place where the res URLs' origin is made: players go through the front when there is one.
    settings.mediaOrigin = options_.publicUrl ? options_.publicUrl->base : settings.documentOrigin;
    settings.allow = options_.allow;
    if (options_.verbose)
        settings.log = [this](const std::string& line) { Log(line); };
    settings.warn = [this](const std::string& line) { Log(line); };
    settings.publish = [this](HttpDocuments documents) { http_.SetDocuments(std::move(documents)); };
    std::vector<std::string> lines;
    std::string upnpError;
    if (!upnp_.Start(catalogue_, std::move(settings), lines, upnpError)) {
        error = "cannot announce the server on the LAN: " + upnpError;
        return false;
    }
    for (const std::string& line : lines)
        Out(line);
    return true;
}

void HeadlessServer::Stop() {
    upnp_.Stop();
    conversions_.Stop();
    http_.Stop();
    service_.Stop();
    follower_.Stop();
}

void HeadlessServer::Out(const std::string& line) const {
    if (lines_.out)
        lines_.out(line);
}

void HeadlessServer::Log(const std::string& line) const {
    if (lines_.log)
        lines_.log("tarnvale-server: " + line);
}

void HeadlessServer::LogStream(const StreamEvent& event) const {
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

// Refusals and a watch that ended are always told: the operator's edit is not being served. Reloads only with
// --verbose.
void HeadlessServer::LogChange(const ListFileChange& change) {
    if (change.kind == ListFileChange::Kind::Taken)
        upnp_.CatalogueChanged();
    const std::string& list = options_.list;
    const std::string programs = std::to_string(change.programs) + (change.programs == 1 ? " program" : " programs");
    const ListFileLoad& load = change.load;
    if (change.kind == ListFileChange::Kind::Taken) {
        if (options_.verbose)
            Log("list file reloaded: " + programs + " from " + list + (load.fileMissing ? " (no such file)" : ""));
        if (load.recordsSkipped)
            Log(SkippedText(list, load.recordsSkipped));
    } else if (change.kind == ListFileChange::Kind::Refused) {
        Log(FailedLoadText(list, load) + "; still serving the " + programs + " loaded before");
    } else {
        Log("no longer following " + list + " (" + load.error + "); restart the server to serve later changes");
    }
}

} // namespace tarnvale
