// The interfaces as the system lists them (getifaddrs): one row per name, with its first IPv4 address.
#include "platform/NetworkInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace tarnvale::platform {

std::vector<NetworkInterface> ListNetworkInterfaces(std::string& error) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        error = std::string("the network interfaces cannot be listed: ") + std::strerror(errno);
        return {};
    }
    const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> owner(list, &freeifaddrs);
    std::vector<NetworkInterface> interfaces;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_name)
            continue;
        auto row = std::find_if(interfaces.begin(), interfaces.end(),
                                [&](const NetworkInterface& known) { return known.name == entry->ifa_name; });
        if (row == interfaces.end()) {
            interfaces.push_back({entry->ifa_name, false, false, std::nullopt});
            row = interfaces.end() - 1;
        }
        row->up = row->up || (entry->ifa_flags & IFF_UP);
        row->loopback = row->loopback || (entry->ifa_flags & IFF_LOOPBACK);
        if (!row->address && entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET)
            row->address = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
    }
    return interfaces;
}

} // namespace tarnvale::platform
