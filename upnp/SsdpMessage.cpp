// Reading a search goes line by line through the datagram's first kMaxSsdpDatagram bytes; every header name is
// compared without regard to case, as control points write them in every case there is.
#include "upnp/SsdpMessage.h"

#include "core/ParseInteger.h"
#include "http/HeaderText.h"

#include <algorithm>
#include <cctype>

namespace tarnvale {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The next line of text, without its CR LF (or bare LF), and text past it.
std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string Head(std::string_view first, const std::vector<std::pair<std::string_view, std::string>>& headers) {
    std::string text(first);
    text += "\r\n";
    for (const auto& [name, value] : headers) {
        text += name;
        text += ": ";
        text += value;
        text += "\r\n";
    }
    return text + "\r\n";
}

} // namespace

std::optional<SsdpSearch> ReadSsdpSearch(std::span<const std::uint8_t> datagram, bool multicast) {
    std::string_view text(reinterpret_cast<const char*>(datagram.data()), std::min(datagram.size(), kMaxSsdpDatagram));
    if (NextLine(text) != "M-SEARCH * HTTP/1.1")
        return std::nullopt;
    std::optional<std::string_view> man, st, mx;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        if (line.empty())
            break; // the end of the head
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = TrimmedHeaderText(line.substr(0, colon));
        const std::string_view value = TrimmedHeaderText(line.substr(colon + 1));
        if (EqualsNoCase(name, "MAN"))
            man = value;
        else if (EqualsNoCase(name, "ST"))
            st = value;
        else if (EqualsNoCase(name, "MX"))
            mx = value;
    }
    if (man != "\"ssdp:discover\"" || !st || st->empty() || st->size() > 256)
        return std::nullopt;
    SsdpSearch search{std::string(*st), 0};
    if (mx) {
        // Digits only; any number of seconds beyond the cap is the cap.
        if (mx->empty() || mx->size() > 10 ||
            !std::all_of(mx->begin(), mx->end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const std::optional<std::uint64_t> seconds = ParseInteger<std::uint64_t>(*mx);
        if (!seconds)
            return std::nullopt;
        search.mx = static_cast<int>(std::min<std::uint64_t>(*seconds, kMaxSearchSeconds));
    }
    if (multicast && search.mx < 1)
        return std::nullopt; // a search of the group must say how long its answers may be spread over
    return search;
}

std::vector<SsdpTarget> SsdpTargets(const SsdpDevice& device) {
    std::vector<SsdpTarget> targets = {{"upnp:rootdevice", device.udn + "::upnp:rootdevice"},
                                       {device.udn, device.udn},
                                       {device.deviceType, device.udn + "::" + device.deviceType}};
    for (const std::string& type : device.serviceTypes)
        targets.push_back({type, device.udn + "::" + type});
    return targets;
}

std::vector<SsdpTarget> MatchingTargets(const SsdpDevice& device, std::string_view st) {
    std::vector<SsdpTarget> targets = SsdpTargets(device);
    if (st != "ssdp:all")
        std::erase_if(targets, [&](const SsdpTarget& target) { return target.type != st; });
    return targets;
}

std::string SsdpAlive(const SsdpDevice& device, const SsdpTarget& target) {
    return Head("NOTIFY * HTTP/1.1", {{"HOST", "239.255.255.250:1900"},
                                      {"CACHE-CONTROL", "max-age=" + std::to_string(device.maxAge)},
                                      {"LOCATION", device.location},
                                      {"NT", target.type},
                                      {"NTS", "ssdp:alive"},
                                      {"SERVER", device.server},
                                      {"USN", target.usn}});
}

std::string SsdpByebye(const SsdpTarget& target) {
    return Head("NOTIFY * HTTP/1.1",
                {{"HOST", "239.255.255.250:1900"}, {"NT", target.type}, {"NTS", "ssdp:byebye"}, {"USN", target.usn}});
}

std::string SsdpSearchAnswer(const SsdpDevice& device, const SsdpTarget& target, std::string_view date) {
    return Head("HTTP/1.1 200 OK", {{"CACHE-CONTROL", "max-age=" + std::to_string(device.maxAge)},
                                    {"DATE", std::string(date)},
                                    {"EXT", ""},
                                    {"LOCATION", device.location},
                                    {"SERVER", device.server},
                                    {"ST", target.type},
                                    {"USN", target.usn},
                                    {"CONTENT-LENGTH", "0"}});
}

} // namespace tarnvale
