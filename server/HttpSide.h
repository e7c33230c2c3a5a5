// HttpSide: the headless server's HTTP side, for players and browsers: an HttpService started on the server's
// options, kept out of the server's header.
#pragma once

#include "core/MediaInfoList.h"
#include "http/HttpDocuments.h"
#include "http/HttpRoute.h"
#include "net/AllowList.h"
#include "net/PublicUrl.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarnvale {

class HttpSide {
public:
    HttpSide();
    // Stops serving.
    ~HttpSide();
    HttpSide(const HttpSide&) = delete;
    HttpSide& operator=(const HttpSide&) = delete;

    // Before Start: a thread of its own for each connection, for routes whose answers wait (a segment being
    // converted), so that a waiting request holds up no other client.
    void SetThreadPerConnection(bool threadPerConnection) { threadPerConnection_ = threadPerConnection; }
    // Serves catalogue (which must outlive the side) to the addresses allow holds, on address (host order, 0 for
    // every local one) and port (0: any free one), with the URLs it hands out led by publicUrl when given; log gets
    // the refused requests, and with logRequests a line per request, from the side's threads. False, with error
    // saying why, when it cannot.
    bool Start(const CMediaInfoList& catalogue, const AllowList& allow, std::uint32_t address, std::uint16_t port,
               const std::optional<PublicUrl>& publicUrl, std::function<void(const std::string&)> log, bool logRequests,
               std::string& error);
    // The port served; 0 while stopped.
    std::uint16_t BoundPort() const;
    void Stop();
    // Serves documents (path -> content type and body) beside the programs; nothing while stopped.
    void SetDocuments(HttpDocuments documents);
    // Answers the requests under route.prefix with route.answer (another side's control, events or streams);
    // nothing while stopped.
    void SetRoute(HttpRoute route);
    void RemoveRoute(const std::string& prefix);
    // Which programs the views offer a picture of (none without it); nothing while stopped.
    void SetPictureCheck(std::function<bool(const CMediaInfo&)> check);
    // Names each program's converted stream (its playlist's path, or empty) in the catalogue's views.
    void SetConvertedStreams(std::function<std::string(const CMediaInfo&)> playlistPath);

private:
    struct Service;
    std::unique_ptr<Service> service_;
    bool threadPerConnection_ = false;
};

} // namespace tarnvale
