// The host and port of a URL's authority or of a Host header, read strictly: a name, an IPv4 address or an IPv6
// address in brackets, then an optional port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

struct HostAndPort {
    // As written; an IPv6 address keeps its brackets.
    std::string_view host;
    std::optional<std::uint16_t> port;
};

// "name", "name:8080", "10.0.0.5:80", "[fe80::1]:80". Nothing when the host is none of the three forms (a name
// is labels of letters, digits and '-' between dots) or the port is not a number up to 65535.
std::optional<HostAndPort> SplitHostAndPort(std::string_view authority);

// Host names compare without regard to case, in ASCII only.
std::string AsciiLower(std::string_view text);

// Whether text is an IPv6 address in brackets, "[::1]", "[2001:db8::5]" or "[::ffff:192.0.2.1]".
bool IsBracketedIPv6(std::string_view text);

} // namespace tarnvale
