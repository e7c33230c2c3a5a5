// Host and port reading: the host forms a browser sends, and nothing with room for text of another kind (quotes,
// spaces, slashes), since hosts end up in URLs, pages and log lines.
#include "net/HostAndPort.h"

#include "core/ParseInteger.h"
#include "net/HostAddress.h"

#include <algorithm>

namespace tarnvale {

namespace {

bool IsHexGroup(std::string_view group) {
    if (group.empty() || group.size() > 4)
        return false;
    for (char c : group) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex)
            return false;
    }
    return true;
}

// Groups of one to four hex digits between colons, at most one "::" standing for the groups left out, and
// optionally an IPv4 address as the last two groups.
bool IsIPv6(std::string_view text) {
    const std::size_t gap = text.find("::");
    if (gap != std::string_view::npos && text.find("::", gap + 1) != std::string_view::npos)
        return false;
    int groups = 0;
    const auto countGroups = [&groups](std::string_view part, bool mayEndInIPv4) {
        while (!part.empty()) {
            const std::size_t colon = part.find(':');
            const std::string_view group = part.substr(0, colon);
            if (colon == std::string_view::npos && mayEndInIPv4 && ParseIPv4(group)) {
                groups += 2;
                return true;
            }
            if (!IsHexGroup(group))
                return false;
            ++groups;
            if (colon == std::string_view::npos)
                return true;
            part.remove_prefix(colon + 1);
            if (part.empty())
                return false; // a colon at the end
        }
        return true;
    };
    if (gap == std::string_view::npos)
        return countGroups(text, true) && groups == 8;
    const std::string_view before = text.substr(0, gap), after = text.substr(gap + 2);
    return countGroups(before, false) && countGroups(after, true) && groups < 8;
}

bool IsHostName(std::string_view text) {
    if (text.empty() || text.size() > 253)
        return false;
    while (!text.empty()) {
        const std::size_t dot = text.find('.');
        const std::string_view label = text.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label) {
            const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
            if (!allowed)
                return false;
        }
        if (dot == std::string_view::npos)
            break;
        text.remove_prefix(dot + 1);
        if (text.empty())
            return false;
    }
    return true;
}

} // namespace

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

bool IsBracketedIPv6(std::string_view text) {
    return text.size() > 2 && text.front() == '[' && text.back() == ']' && IsIPv6(text.substr(1, text.size() - 2));
}

std::optional<HostAndPort> SplitHostAndPort(std::string_view authority) {
    HostAndPort split;
    std::size_t hostEnd = 0;
    if (authority.starts_with('[')) {
        hostEnd = authority.find(']');
        if (hostEnd == std::string_view::npos)
            return std::nullopt;
        ++hostEnd;
        if (!IsBracketedIPv6(authority.substr(0, hostEnd)))
            return std::nullopt;
    } else {
        hostEnd = std::min(authority.find(':'), authority.size());
        // A dotted IPv4 address is also a well-formed name.
        if (!IsHostName(authority.substr(0, hostEnd)))
            return std::nullopt;
    }
    split.host = authority.substr(0, hostEnd);
    const std::string_view rest = authority.substr(hostEnd);
    if (rest.empty())
        return split;
    const std::string_view digits = rest.substr(1);
    if (rest.front() != ':' || digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    split.port = ParseInteger<std::uint16_t>(digits);
    if (!split.port)
        return std::nullopt;
    return split;
}

} // namespace tarnvale
