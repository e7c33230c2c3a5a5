// Which Host headers the HTTP side answers. A web page elsewhere can point a name of its own at a LAN address
// (DNS rebinding) and then read the catalogue and the files through a browser on the LAN; the browser sends that
// name as the Host, and it is none of the names this server goes by.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

// Answered: no Host at all (HTTP/1.0), an IPv4 address, an IPv6 address in brackets, "localhost", or one of
// names (in lower case: this machine's names and the public URL's host), each with an optional port. Names
// compare without regard to case.
bool HostAnswered(std::optional<std::string_view> host, const std::vector<std::string>& names);

// This machine's names as the host check takes them: host (as the system gives it) in lower case, its first
// label (the name without its domain), and canonical (the name with its domain, from the resolver; may be empty).
std::vector<std::string> OwnHostNames(std::string_view host, std::string_view canonical);

} // namespace tarnvale
