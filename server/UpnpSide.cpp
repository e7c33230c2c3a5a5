// The UPnP side: an UpnpService on the interface chosen, in every build.
#include "server/UpnpSide.h"

#include "upnp/NetworkInterfaces.h"
#include "upnp/UpnpService.h"

namespace tarnvale {

struct UpnpSide::Service {
    explicit Service(const CMediaInfoList& catalogue) : upnp(catalogue) {}
    UpnpService upnp;
};

bool UpnpSide::Available() {
    return true;
}

bool UpnpSide::Choose(const std::string& wanted, UpnpPlace& place, std::string& error) {
    const std::vector<NetworkInterface> interfaces = ListNetworkInterfaces(error);
    if (interfaces.empty() && !error.empty())
        return false;
    const std::optional<NetworkInterface> chosen = ChooseNetworkInterface(interfaces, wanted, error);
    if (!chosen)
        return false;
    place = UpnpPlace{chosen->name, *chosen->address};
    return true;
}

UpnpSide::UpnpSide() = default;

UpnpSide::~UpnpSide() {
    Stop();
}

bool UpnpSide::Start(const CMediaInfoList& catalogue, UpnpSettings settings, std::vector<std::string>& lines,
                     std::string& error) {
    Stop();
    auto service = std::make_unique<Service>(catalogue);
    const std::string interfaceName = settings.interfaceName;
    if (!service->upnp.Start(std::move(settings), error))
        return false;
    const UpnpService& upnp = service->upnp;
    lines.push_back("UPnP media server \"" + upnp.FriendlyName() + "\" on " + interfaceName + " (" + upnp.Address() +
                    ")");
    lines.push_back("UPnP description: " + upnp.DescriptionUrl());
    lines.push_back("UPnP control and events on port " + std::to_string(upnp.Port()) + "; discovery on UDP 1900");
    std::lock_guard lock(mutex_);
    service_ = std::move(service);
    return true;
}

void UpnpSide::CatalogueChanged() {
    std::lock_guard lock(mutex_);
    if (service_)
        service_->upnp.CatalogueChanged();
}

// The goodbye is said outside the lock, so that a reload arriving meanwhile does not wait on the network.
void UpnpSide::Stop() {
    std::unique_ptr<Service> going;
    {
        std::lock_guard lock(mutex_);
        going = std::move(service_);
    }
}

} // namespace tarnvale
