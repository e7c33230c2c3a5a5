// SSDP datagrams: a search read from the bytes a LAN delivers, and the announcements and answers written. Pure:
// the fuzzer feeds the reader whatever a hostile LAN might.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

inline constexpr std::uint32_t kSsdpGroup = 0xEFFFFFFA; // 239.255.255.250
inline constexpr std::uint16_t kSsdpPort = 1900;
// Searches asking for longer are answered within this many seconds, as if they had asked for it.
inline constexpr int kMaxSearchSeconds = 5;
// Longer datagrams are no search of any control point: read no further.
inline constexpr std::size_t kMaxSsdpDatagram = 4096;

struct SsdpSearch {
    std::string target; // ST
    int mx = 0;         // seconds, 1 to kMaxSearchSeconds; 0 for a search sent to us alone, answered at once
};

// An M-SEARCH with MAN "ssdp:discover" and an ST, and, when sent to the group (multicast), an MX of 1 or more;
// nothing for anything else (announcements, answers, noise, and searches without what they must say).
std::optional<SsdpSearch> ReadSsdpSearch(std::span<const std::uint8_t> datagram, bool multicast);

// What the device is to SSDP: its UDN, where its description is, its device and service types.
struct SsdpDevice {
    std::string udn; // "uuid:..."
    std::string location;
    std::string deviceType;
    std::vector<std::string> serviceTypes;
    std::string server; // the SERVER header: "OS/version UPnP/1.0 product/version"
    int maxAge = 0;     // seconds
};

// A notification type and its USN: upnp:rootdevice, the UDN, the device type, then each service type.
struct SsdpTarget {
    std::string type;
    std::string usn;
};
std::vector<SsdpTarget> SsdpTargets(const SsdpDevice& device);

// The targets a search for st is answered with: every one for ssdp:all, else the one whose type is st.
std::vector<SsdpTarget> MatchingTargets(const SsdpDevice& device, std::string_view st);

std::string SsdpAlive(const SsdpDevice& device, const SsdpTarget& target);
std::string SsdpByebye(const SsdpTarget& target);
// date: an HTTP date, the DATE header.
std::string SsdpSearchAnswer(const SsdpDevice& device, const SsdpTarget& target, std::string_view date);

} // namespace tarnvale
