// The machine's network interfaces as the system lists them: one row per interface, with its first IPv4 address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnvale::platform {

struct NetworkInterface {
    std::string name; // as the operator names it: "eth0" on Linux, "Ethernet" on Windows
    bool up = false;
    bool loopback = false;
    std::optional<std::uint32_t> address; // the first IPv4 address, host order
};

// The system's interfaces, in its order. Empty, with error saying why, on failure.
std::vector<NetworkInterface> ListNetworkInterfaces(std::string& error);

} // namespace tarnvale::platform
