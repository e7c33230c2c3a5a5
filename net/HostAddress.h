// The local host's name and IPv4 address, as the server shows them to its operator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

// Reads the host name (into *name, when given) and resolves it; address receives its first IPv4 address in
// dotted form. False when the name cannot be read or does not resolve (the name is filled in already then).
bool GetHostAddress(std::string& address, std::string* name);

// "a.b.c.d" for an address in host order.
std::string FormatIPv4(std::uint32_t address);
// The address "a.b.c.d" spells, in host order: four decimal numbers from 0 to 255 and nothing else.
std::optional<std::uint32_t> ParseIPv4(std::string_view text);

// "Host: srv1  IP: 10.0.0.5  Command Port (UDP) : 10080"
std::string HostLine(const std::string& name, const std::string& address, int port);

} // namespace tarnvale
