// The UPnP side's parts wired together: the documents and routes handed to the HTTP side, the eventing worker, and
// the SSDP thread; stopped in the order that says goodbye while control still answers.
#include "upnp/UpnpService.h"

#include "core/ParseInteger.h"
#include "http/HttpService.h"
#include "http/TextEscapes.h"
#include "net/HostAddress.h"
#include "upnp/ContentDirectory.h"
#include "upnp/ControlRequest.h"
#include "upnp/DeviceDocuments.h"
#include "upnp/DeviceIdentity.h"
#include "upnp/Eventing.h"

#include <atomic>
#include <ctime>

namespace tarnvale {

namespace {

constexpr const char* kControlPrefix = "/upnp/control/";
constexpr const char* kEventPrefix = "/upnp/event/";
constexpr const char* kServerHeader = "Tarnvale/1 UPnP/1.0 Tarnvale/1";
// Control points send a request whole and read the answer at once; a connection silent for longer is let go.
constexpr unsigned kRequestIdleSeconds = 5;

} // namespace

struct UpnpService::Core {
    Core(const CMediaInfoList& catalogue, const UpnpSettings& settings)
        // SystemUpdateID starts from the clock, so that a restarted server does not repeat the ids of the last one.
        : directory(catalogue, settings.mediaOrigin, ProbeMpegVideoFile,
                    static_cast<std::uint32_t>(std::time(nullptr))),
          eventing(directory, settings.allow, settings.log), allow(settings.allow), log(settings.log) {
        directory.SetPictureCheck(settings.hasPicture);
        directory.SetConvertedStreams(settings.convertedPath, settings.convertedInfo);
    }

    HttpRouteReply Control(const HttpRouteRequest& request) const {
        HttpRouteReply reply;
        const ServiceRow* service = ServiceOfPath(request.path, kControlPrefix);
        if (!service) {
            reply.status = 404;
            reply.body = "No such service.\n";
            return reply;
        }
        const ClientFamily& family = IdentifyClient(request.header);
        const ControlReply answer = AnswerControl(open ? &directory : nullptr, *service, allow.Allows(request.client),
                                                  request.header("SOAPACTION"), request.body, family.quirks);
        reply.status = answer.status;
        reply.body = answer.body;
        reply.headers = {{"Content-Type", "text/xml; charset=\"utf-8\""}, {"EXT", ""}, {"Server", kServerHeader}};
        reply.logNote = answer.logLine;
        if (log)
            log(OneLine(answer.logLine + " (from " + FormatIPv4(request.client) + ", " + family.name + ")"));
        return reply;
    }

    ContentDirectory directory;
    Eventing eventing;
    const AllowList allow;
    const std::function<void(const std::string&)> log;
    std::atomic<bool> open{true};
};

UpnpService::UpnpService(const CMediaInfoList& catalogue) : catalogue_(catalogue) {}

UpnpService::~UpnpService() {
    Stop();
}

std::string UpnpService::DescriptionUrl() const {
    return settings_.documentOrigin + std::string(kDescriptionPath);
}

bool UpnpService::Start(UpnpSettings settings, std::string& error) {
    Stop();
    settings_ = std::move(settings);
    if (settings_.friendlyName.empty())
        settings_.friendlyName = DefaultFriendlyName(settings_.hostName);
    udn_ = DeviceUdn(settings_.hostName, settings_.listFile);
    core_ = std::make_shared<Core>(catalogue_, settings_);

    std::vector<HttpRoute> routes;
    const std::shared_ptr<Core> core = core_;
    routes.push_back({kControlPrefix,
                      {"POST"},
                      kMaxControlBody,
                      [core](const HttpRouteRequest& request) { return core->Control(request); },
                      kRequestIdleSeconds});
    routes.push_back({kEventPrefix,
                      {"SUBSCRIBE", "UNSUBSCRIBE"},
                      0,
                      [core](const HttpRouteRequest& request) { return core->eventing.Answer(request); },
                      kRequestIdleSeconds});

    // Control and events are where the HTTP side is, unless a port of their own was asked for.
    address_ = FormatIPv4(settings_.address);
    std::string controlOrigin = settings_.documentOrigin;
    if (settings_.port != 0) {
        ownHttp_ = std::make_unique<HttpService>(catalogue_, settings_.allow);
        ownHttp_->SetLocalAddress(settings_.address);
        if (settings_.warn)
            ownHttp_->SetLog(settings_.warn, false);
        std::string httpError;
        if (!ownHttp_->Start(settings_.port, &httpError)) {
            error = "UPnP control and events cannot be served on port " + std::to_string(settings_.port) + ": " +
                    httpError + ".\nIs another program using the port? Choose another with --upnp-port.";
            Stop();
            return false;
        }
        for (HttpRoute& route : routes)
            ownHttp_->SetRoute(std::move(route));
        port_ = ownHttp_->BoundPort();
        controlOrigin = "http://" + address_ + ":" + std::to_string(port_);
    } else {
        for (HttpRoute& route : routes)
            if (settings_.route)
                settings_.route(std::move(route));
        const std::size_t colon = settings_.documentOrigin.rfind(':');
        port_ = ParseInteger<std::uint16_t>(std::string_view(settings_.documentOrigin).substr(colon + 1)).value_or(0);
    }

    const DeviceSite site{settings_.friendlyName, udn_, settings_.documentOrigin, controlOrigin};
    HttpDocuments documents;
    documents.emplace(std::string(kDescriptionPath), HttpDocument{"text/xml; charset=utf-8", DeviceDescription(site)});
    SsdpDevice device{udn_, DescriptionUrl(), kMediaServerType, {}, kServerHeader, kAnnouncementSeconds};
    for (const ServiceRow& service : MediaServerServices()) {
        documents.emplace(ServiceDescriptionPath(service),
                          HttpDocument{"text/xml; charset=utf-8", ServiceDescription(service)});
        device.serviceTypes.push_back(service.type);
    }
    if (settings_.publish)
        settings_.publish(std::move(documents));

    if (!ssdp_.Start(std::move(device), settings_.address, settings_.warn, error)) {
        error += ".\nAnother program may hold the port without sharing it (stop it), or the interface " +
                 settings_.interfaceName + " may be down (name another with --interface).";
        Stop();
        return false;
    }
    return true;
}

void UpnpService::CatalogueChanged() {
    if (!core_)
        return;
    core_->directory.Changed();
    core_->eventing.Changed();
}

void UpnpService::Stop() {
    ssdp_.Stop(); // the goodbye, while control still answers a TV that has not heard it yet
    if (core_) {
        core_->open = false;
        core_->eventing.Stop();
        if (!ownHttp_ && settings_.unroute) {
            settings_.unroute(kControlPrefix);
            settings_.unroute(kEventPrefix);
        }
    }
    ownHttp_.reset();
    core_.reset();
    address_.clear();
    port_ = 0;
}

} // namespace tarnvale
