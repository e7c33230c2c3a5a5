// HttpService: the HTTP side of the server. Serves the catalogue's programs by PID with byte ranges, the catalogue
// as a playlist, as JSON and as a page, on threads of its own; only PIDs are ever looked up, no request path
// reaches the file system.
#pragma once

#include "core/MediaInfoList.h"
#include "http/HttpDocuments.h"
#include "http/HttpRoute.h"
#include "net/AllowList.h"
#include "net/PublicUrl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct MHD_Daemon;

namespace tarnvale {

// What one address, and all of them together, may hold of the service.
struct HttpLimits {
    unsigned connections = 1000;
    unsigned connectionsPerAddress = 64;
    // A connection that neither sends nor takes anything for this long is closed.
    unsigned idleSeconds = 30;
    // Threads that serve the connections between them; 0: one per processor core, as many as can run at once
    // (more only take turns on the same cores while the files are sent).
    unsigned threads = 0;
    // Instead of the shared threads, a thread for each connection: the library then sends a file in pieces of
    // 2 MiB instead of 128 KiB, at the cost of a thread (and its stack) per client, idle ones included.
    bool threadPerConnection = false;
};

class HttpService {
public:
    // catalogue must outlive the service; it is read afresh for every request.
    HttpService(const CMediaInfoList& catalogue, AllowList allow, HttpLimits limits = {});
    // Stops the service.
    ~HttpService();
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    // Before Start: the address to listen on (IPv4, host order; every local address unless set).
    void SetLocalAddress(std::uint32_t address) { localAddress_ = address; }
    // Before Start: the problems met and the requests refused for their Host, and with everyRequest a line per
    // request and its answer. Called from the service's threads.
    void SetLog(std::function<void(const std::string&)> log, bool everyRequest = true) {
        log_ = std::move(log);
        logEveryRequest_ = everyRequest;
    }
    // Before Start: the base of the URLs handed out, in place of the address each request came in on; its host
    // is answered as this machine's own names are.
    void SetPublicUrl(std::optional<PublicUrl> url) { publicUrl_ = std::move(url); }

    // Listens on port (0: any free one) and starts answering; false, with error saying why when given, if it
    // cannot.
    bool Start(std::uint16_t port, std::string* error = nullptr);
    // The port listened on; 0 while stopped.
    std::uint16_t BoundPort() const { return boundPort_; }
    // Closes every connection and joins the service's threads. Start may follow.
    void Stop();
    // Serves documents from now on, in place of those given before; any time, from any thread.
    void SetDocuments(HttpDocuments documents);
    // Answers the requests whose path starts with route.prefix with route.answer from now on, in place of a route
    // of the same prefix given before; any time, from any thread. The longest prefix that matches wins.
    void SetRoute(HttpRoute route);
    // Answers that prefix no more.
    void RemoveRoute(const std::string& prefix);
    // Which programs the list and the page offer a picture of, from now on (none without it); any time, from any
    // thread.
    void SetPictureCheck(std::function<bool(const CMediaInfo&)> check);
    // Names each program's converted stream in the catalogue's views from now on: the path of its playlist, or
    // empty for none. Any time, from any thread; called from the service's threads.
    void SetConvertedStreams(std::function<std::string(const CMediaInfo&)> playlistPath);

private:
    friend struct HttpRequestHandler;

    const CMediaInfoList& catalogue_;
    AllowList allow_;
    HttpLimits limits_;
    std::uint32_t localAddress_ = 0;
    std::function<void(const std::string&)> log_;
    bool logEveryRequest_ = true;
    std::optional<PublicUrl> publicUrl_;
    // The names a Host header may give besides addresses and localhost; found at Start.
    std::vector<std::string> hostNames_;
    MHD_Daemon* daemon_ = nullptr;
    std::uint16_t boundPort_ = 0;
    mutable std::mutex documentsMutex_;
    std::shared_ptr<const HttpDocuments> documents_;
    std::shared_ptr<const std::vector<HttpRoute>> routes_;
    std::shared_ptr<const std::function<bool(const CMediaInfo&)>> pictureCheck_;
    std::shared_ptr<const std::function<std::string(const CMediaInfo&)>> convertedStreams_;
    // The library's last message, for the error of a Start that fails.
    std::mutex libraryMessageMutex_;
    std::string libraryMessage_;
};

} // namespace tarnvale
