// Datagrams as a hostile LAN sends them to UDP 1900: any search read has an ST of bounded length and an MX within the
// cap, and what it is answered with is written without a fault.
#include "upnp/SsdpMessage.h"

#include <cstddef>
#include <cstdint>

using namespace tarnvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const SsdpDevice device{"uuid:1",
                                   "http://192.0.2.1:8080/upnp/description.xml",
                                   "urn:schemas-upnp-org:device:MediaServer:1",
                                   {"urn:schemas-upnp-org:service:ContentDirectory:1"},
                                   "Tarnvale/1 UPnP/1.0 Tarnvale/1",
                                   300};
    for (const bool multicast : {true, false}) {
        const auto search = ReadSsdpSearch(std::span(data, size), multicast);
        if (!search)
            continue;
        if (search->target.empty() || search->target.size() > 256 || search->mx < 0 || search->mx > kMaxSearchSeconds ||
            (multicast && search->mx == 0))
            __builtin_trap();
        for (const SsdpTarget& target : MatchingTargets(device, search->target))
            if (SsdpSearchAnswer(device, target, "x").size() > 1024)
                __builtin_trap();
    }
    return 0;
}
