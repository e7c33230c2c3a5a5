// UpnpService: the media server on the UPnP library. It announces the device on one interface, answers the
// services' actions through MediaServerActions and events SystemUpdateID as the catalogue changes; the media
// and the description documents are served by the HTTP side.
#pragma once

#include "core/MediaInfoList.h"
#include "upnp/ContentDirectory.h"
#include "upnp/UpnpSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace tarnvale {

// A device's announcement is good for this many seconds; the library announces again before half of it is gone,
// so a TV that missed one hears the next within minutes.
inline constexpr int kAnnouncementSeconds = 300;

class UpnpService {
public:
    // catalogue must outlive the service.
    explicit UpnpService(const CMediaInfoList& catalogue);
    // Stops the service.
    ~UpnpService();
    UpnpService(const UpnpService&) = delete;
    UpnpService& operator=(const UpnpService&) = delete;

    // Starts the library on the interface, publishes the documents and announces the device. False, with error
    // saying why and what to do, when it cannot; the library serves one device per process.
    bool Start(UpnpSettings settings, std::string& error);
    // The catalogue was reloaded: SystemUpdateID rises and is sent to the subscribers.
    void CatalogueChanged();
    // Says goodbye on the network and ends the library.
    void Stop();

    // Where the library serves control and events; empty and 0 while stopped.
    const std::string& Address() const { return address_; }
    std::uint16_t Port() const { return port_; }
    std::string DescriptionUrl() const;
    const std::string& FriendlyName() const { return settings_.friendlyName; }
    const std::string& Udn() const { return udn_; }

    // The library's callbacks, from its threads: an action request to answer, a subscription to accept.
    void OnAction(void* request);
    void OnSubscription(const void* request);

private:
    const CMediaInfoList& catalogue_;
    UpnpSettings settings_;
    std::unique_ptr<ContentDirectory> directory_;
    // Held while the device is registered or going, so that no event is sent on a handle being let go.
    std::mutex deviceMutex_;
    bool registered_ = false;
    int device_ = -1;
    bool libraryStarted_ = false;
    std::string udn_;
    std::string address_;
    std::uint16_t port_ = 0;
};

} // namespace tarnvale
