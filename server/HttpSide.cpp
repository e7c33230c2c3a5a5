// The headless server's HTTP side: an HttpService.
#include "server/HttpSide.h"
#include "http/HttpService.h"

namespace tarnvale {

struct HttpSide::Service {
    Service(const CMediaInfoList& catalogue, const AllowList& allow, HttpLimits limits)
        : http(catalogue, allow, limits) {}
    HttpService http;
};

HttpSide::HttpSide() = default;

HttpSide::~HttpSide() {
    Stop();
}

bool HttpSide::Start(const CMediaInfoList& catalogue, const AllowList& allow, std::uint32_t address, std::uint16_t port,
                     const std::optional<PublicUrl>& publicUrl, std::function<void(const std::string&)> log,
                     bool logRequests, std::string& error) {
    Stop();
    HttpLimits limits;
    limits.threadPerConnection = threadPerConnection_;
    service_ = std::make_unique<Service>(catalogue, allow, limits);
    service_->http.SetLocalAddress(address);
    service_->http.SetPublicUrl(publicUrl);
    service_->http.SetLog(std::move(log), logRequests);
    if (service_->http.Start(port, &error))
        return true;
    service_.reset();
    return false;
}

std::uint16_t HttpSide::BoundPort() const {
    return service_ ? service_->http.BoundPort() : 0;
}

void HttpSide::SetDocuments(HttpDocuments documents) {
    if (service_)
        service_->http.SetDocuments(std::move(documents));
}

void HttpSide::SetRoute(HttpRoute route) {
    if (service_)
        service_->http.SetRoute(std::move(route));
}

void HttpSide::RemoveRoute(const std::string& prefix) {
    if (service_)
        service_->http.RemoveRoute(prefix);
}

void HttpSide::SetPictureCheck(std::function<bool(const CMediaInfo&)> check) {
    if (service_)
        service_->http.SetPictureCheck(std::move(check));
}

void HttpSide::SetConvertedStreams(std::function<std::string(const CMediaInfo&)> playlistPath) {
    if (service_)
        service_->http.SetConvertedStreams(std::move(playlistPath));
}

void HttpSide::Stop() {
    service_.reset();
}

} // namespace tarnvale
