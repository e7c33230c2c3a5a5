// UpnpSide: the headless server's UPnP side, which makes it a media server that TVs and apps find on the LAN: an
// UpnpService, in the Linux and the Windows builds alike.
#pragma once

#include "core/MediaInfoList.h"
#include "upnp/UpnpSettings.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnvale {

// The interface the side announces on.
struct UpnpPlace {
    std::string interfaceName;
    std::uint32_t address = 0; // IPv4, host order
};

class UpnpSide {
public:
    // Whether this build can be a UPnP media server at all (every build can now; kept for the programs that ask).
    static bool Available();
    static constexpr const char* kAbsentText = "this build of tarnvale-server has no UPnP side; the Linux build has it";

    // The interface named wanted, or the first one a LAN can reach when wanted is empty. False, with error saying
    // why and what to do, when there is none.
    static bool Choose(const std::string& wanted, UpnpPlace& place, std::string& error);

    UpnpSide();
    // Stops the side, with its goodbye.
    ~UpnpSide();
    UpnpSide(const UpnpSide&) = delete;
    UpnpSide& operator=(const UpnpSide&) = delete;

    // Announces catalogue (which must outlive the side) as settings say. lines gets what the operator is told:
    // the name, interface and address, the description URL, the ports. False, with error, when it cannot.
    bool Start(const CMediaInfoList& catalogue, UpnpSettings settings, std::vector<std::string>& lines,
               std::string& error);
    // The catalogue was reloaded: subscribers hear of it.
    void CatalogueChanged();
    // Says goodbye and stops.
    void Stop();

private:
    struct Service;
    // CatalogueChanged comes from the follower's thread while the server starts and stops the side.
    std::mutex mutex_;
    std::unique_ptr<Service> service_;
};

} // namespace tarnvale
