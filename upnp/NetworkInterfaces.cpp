// Choosing the interface. A named one must be usable as it is: announcing on a down interface or one without an
// IPv4 address would only leave every TV unable to find us, without a word.
#include "upnp/NetworkInterfaces.h"

#include <algorithm>

namespace tarnvale {

namespace {

std::string Names(const std::vector<NetworkInterface>& interfaces) {
    std::string names;
    for (const NetworkInterface& candidate : interfaces)
        names += (names.empty() ? "" : ", ") + candidate.name;
    return names.empty() ? "none" : names;
}

} // namespace

std::optional<NetworkInterface> ChooseNetworkInterface(const std::vector<NetworkInterface>& interfaces,
                                                       std::string_view wanted, std::string& error) {
    if (wanted.empty()) {
        const auto found = std::find_if(interfaces.begin(), interfaces.end(), [](const NetworkInterface& candidate) {
            return candidate.up && !candidate.loopback && candidate.address;
        });
        if (found != interfaces.end())
            return *found;
        error = "no network interface is up with an IPv4 address (interfaces: " + Names(interfaces) +
                "); connect this computer to the LAN, or name an interface with --interface";
        return std::nullopt;
    }
    const auto found = std::find_if(interfaces.begin(), interfaces.end(),
                                    [&](const NetworkInterface& candidate) { return candidate.name == wanted; });
    if (found == interfaces.end()) {
        error = "there is no network interface " + std::string(wanted) + " (interfaces: " + Names(interfaces) +
                "); name one of these with --interface";
        return std::nullopt;
    }
    if (!found->up || !found->address) {
        error = "the network interface " + found->name + (found->up ? " has no IPv4 address" : " is down") +
                "; bring it up with an address, or name another with --interface";
        return std::nullopt;
    }
    return *found;
}

} // namespace tarnvale
