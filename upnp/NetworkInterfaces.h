// The network interface the UPnP side announces on: the one named, or the first that a TV on the LAN can reach.
#pragma once

#include "platform/NetworkInterfaces.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

using platform::ListNetworkInterfaces;
using platform::NetworkInterface;

// The interface named wanted, or with wanted empty the first that is up, not loopback and has an IPv4 address.
// Nothing, with error saying why and what to do, when there is none such.
std::optional<NetworkInterface> ChooseNetworkInterface(const std::vector<NetworkInterface>& interfaces,
                                                       std::string_view wanted, std::string& error);

} // namespace tarnvale
