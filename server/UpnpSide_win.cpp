// The Windows console build has no UPnP library yet: its UPnP side never starts, and says why.
#include "server/UpnpSide.h"

namespace tarnvale {

struct UpnpSide::Service {};

bool UpnpSide::Available() {
    return false;
}

bool UpnpSide::Choose(const std::string&, UpnpPlace&, std::string& error) {
    error = kAbsentText;
    return false;
}

UpnpSide::UpnpSide() = default;

UpnpSide::~UpnpSide() = default;

bool UpnpSide::Start(const CMediaInfoList&, UpnpSettings, std::vector<std::string>&, std::string& error) {
    error = kAbsentText;
    return false;
}

void UpnpSide::CatalogueChanged() {}

void UpnpSide::Stop() {}

} // namespace tarnvale
