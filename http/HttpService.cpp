// HttpService: the HTTP library's daemon, started with the service's limits and stopped in the destructor.
#include "http/HttpService.h"

#include "http/HostCheck.h"
#include "http/HttpRequestHandler.h"
#include "platform/Socket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace tarnvale {

namespace {

// The host name, and the name with its domain as the resolver has it ("box" and "box.lan").
std::vector<std::string> MachineNames() {
    std::string host;
    if (!platform::LocalHostName(host))
        return {};
    return OwnHostNames(host, platform::CanonicalName(host));
}

} // namespace

HttpService::HttpService(const CMediaInfoList& catalogue, AllowList allow, HttpLimits limits)
    : catalogue_(catalogue), allow_(std::move(allow)), limits_(limits) {}

HttpService::~HttpService() {
    Stop();
}

bool HttpService::Start(std::uint16_t port, std::string* error) {
    Stop();
    const platform::SystemAddress address({localAddress_, port});
    {
        std::lock_guard lock(libraryMessageMutex_);
        libraryMessage_.clear();
    }
    hostNames_ = MachineNames();
    if (publicUrl_)
        hostNames_.push_back(publicUrl_->host);
    // The library takes the best wait the system has: epoll on Linux, poll on Windows; a thread per connection
    // waits with poll or select.
    const unsigned threads = limits_.threadPerConnection ? 1
                             : limits_.threads           ? limits_.threads
                                                         : std::max(1u, std::thread::hardware_concurrency());
    // One thread is no pool at all: the library is told 0, which it takes without a warning on every start.
    const unsigned pool = threads > 1 ? threads : 0;
    const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO | MHD_USE_ERROR_LOG |
                           (limits_.threadPerConnection ? MHD_USE_THREAD_PER_CONNECTION : 0);
    daemon_ = MHD_start_daemon(flags, port, &HttpRequestHandler::Accept, this, &HttpRequestHandler::Answer, this,
                               MHD_OPTION_EXTERNAL_LOGGER, &HttpRequestHandler::Log, this, MHD_OPTION_SOCK_ADDR,
                               static_cast<const sockaddr*>(address.data()), MHD_OPTION_THREAD_POOL_SIZE, pool,
                               MHD_OPTION_CONNECTION_LIMIT, limits_.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
                               limits_.connectionsPerAddress, MHD_OPTION_CONNECTION_TIMEOUT, limits_.idleSeconds,
                               MHD_OPTION_NOTIFY_COMPLETED, &HttpRequestHandler::Completed, this, MHD_OPTION_END);
    const int startErrno = errno;
    if (!daemon_) {
        std::lock_guard lock(libraryMessageMutex_);
        if (error)
            *error = !libraryMessage_.empty() ? libraryMessage_ : std::strerror(startErrno);
        return false;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
    boundPort_ = info ? info->port : port;
    return true;
}

void HttpService::SetDocuments(HttpDocuments documents) {
    auto shared = std::make_shared<const HttpDocuments>(std::move(documents));
    std::lock_guard lock(documentsMutex_);
    documents_ = std::move(shared);
}

void HttpService::SetRoute(HttpRoute route) {
    std::lock_guard lock(documentsMutex_);
    auto routes =
        routes_ ? std::make_shared<std::vector<HttpRoute>>(*routes_) : std::make_shared<std::vector<HttpRoute>>();
    std::erase_if(*routes, [&](const HttpRoute& old) { return old.prefix == route.prefix; });
    routes->push_back(std::move(route));
    // Longest first, so that the first match is the most particular one.
    std::sort(routes->begin(), routes->end(),
              [](const HttpRoute& a, const HttpRoute& b) { return a.prefix.size() > b.prefix.size(); });
    routes_ = std::move(routes);
}

void HttpService::SetConvertedStreams(std::function<std::string(const CMediaInfo&)> playlistPath) {
    auto shared = playlistPath
                      ? std::make_shared<const std::function<std::string(const CMediaInfo&)>>(std::move(playlistPath))
                      : nullptr;
    std::lock_guard lock(documentsMutex_);
    convertedStreams_ = std::move(shared);
}

void HttpService::RemoveRoute(const std::string& prefix) {
    std::lock_guard lock(documentsMutex_);
    if (!routes_)
        return;
    auto routes = std::make_shared<std::vector<HttpRoute>>(*routes_);
    std::erase_if(*routes, [&](const HttpRoute& old) { return old.prefix == prefix; });
    routes_ = std::move(routes);
}

void HttpService::SetPictureCheck(std::function<bool(const CMediaInfo&)> check) {
    auto shared = check ? std::make_shared<const std::function<bool(const CMediaInfo&)>>(std::move(check)) : nullptr;
    std::lock_guard lock(documentsMutex_);
    pictureCheck_ = std::move(shared);
}

void HttpService::Stop() {
    if (daemon_)
        MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
    boundPort_ = 0;
}

} // namespace tarnvale
