// HttpService: the HTTP library's daemon, started with the service's limits and stopped in the destructor.
#include "http/HttpService.h"

#include "http/HostCheck.h"
#include "http/HttpRequestHandler.h"
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

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
    std::string canonical;
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0) {
        if (found && found->ai_canonname)
            canonical = found->ai_canonname;
        freeaddrinfo(found);
    }
    return OwnHostNames(host, canonical);
}

} // namespace

HttpService::HttpService(const CMediaInfoList& catalogue, AllowList allow, HttpLimits limits)
    : catalogue_(catalogue), allow_(std::move(allow)), limits_(limits) {}

HttpService::~HttpService() {
    Stop();
}

bool HttpService::Start(std::uint16_t port, std::string* error) {
    Stop();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(localAddress_);
    {
        std::lock_guard lock(libraryMessageMutex_);
        libraryMessage_.clear();
    }
    hostNames_ = MachineNames();
    if (publicUrl_)
        hostNames_.push_back(publicUrl_->host);
    const unsigned threads = limits_.threadPerConnection ? 1
                             : limits_.threads           ? limits_.threads
                                                         : std::max(1u, std::thread::hardware_concurrency());
    const unsigned polling = limits_.threadPerConnection ? MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL : MHD_USE_EPOLL;
    daemon_ = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | polling | MHD_USE_ERROR_LOG, port, &HttpRequestHandler::Accept, this,
        &HttpRequestHandler::Answer, this, MHD_OPTION_EXTERNAL_LOGGER, &HttpRequestHandler::Log, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<const sockaddr*>(&address), MHD_OPTION_THREAD_POOL_SIZE, threads,
        MHD_OPTION_CONNECTION_LIMIT, limits_.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        limits_.connectionsPerAddress, MHD_OPTION_CONNECTION_TIMEOUT, limits_.idleSeconds, MHD_OPTION_END);
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

void HttpService::Stop() {
    if (daemon_)
        MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
    boundPort_ = 0;
}

} // namespace tarnvale
