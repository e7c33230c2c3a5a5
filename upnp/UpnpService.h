// UpnpService: the media server on the LAN. It announces the device on one interface (SsdpService), answers the
// services' actions and subscriptions as routes of the HTTP side (ControlRequest, Eventing) and events
// SystemUpdateID as the catalogue changes; the media and the description documents are served by the HTTP side too.
#pragma once

#include "core/MediaInfoList.h"
#include "upnp/SsdpService.h"
#include "upnp/UpnpSettings.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarnvale {

class HttpService;

// A device's announcement is good for this many seconds; it is made again before half of it is gone, so a TV that
// missed one hears the next within minutes.
inline constexpr int kAnnouncementSeconds = 300;

class UpnpService {
public:
    // catalogue must outlive the service.
    explicit UpnpService(const CMediaInfoList& catalogue);
    // Stops the service.
    ~UpnpService();
    UpnpService(const UpnpService&) = delete;
    UpnpService& operator=(const UpnpService&) = delete;

    // Publishes the documents and the routes and announces the device. False, with error saying why and what to
    // do, when it cannot.
    bool Start(UpnpSettings settings, std::string& error);
    // The catalogue was reloaded: SystemUpdateID rises and is sent to the subscribers.
    void CatalogueChanged();
    // Says goodbye on the network and takes the routes back.
    void Stop();

    // Where control and events are served; empty and 0 while stopped.
    const std::string& Address() const { return address_; }
    std::uint16_t Port() const { return port_; }
    std::string DescriptionUrl() const;
    const std::string& FriendlyName() const { return settings_.friendlyName; }
    const std::string& Udn() const { return udn_; }

private:
    struct Core;

    const CMediaInfoList& catalogue_;
    UpnpSettings settings_;
    // Shared with the routes: a request under way when the service stops finishes on what it started with.
    std::shared_ptr<Core> core_;
    // Control and events on a port of their own, when settings name one.
    std::unique_ptr<HttpService> ownHttp_;
    SsdpService ssdp_;
    std::string udn_;
    std::string address_;
    std::uint16_t port_ = 0;
};

} // namespace tarnvale
