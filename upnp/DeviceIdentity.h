// Who the device is to a TV: a UDN that stays the same across restarts of the same server and differs between two
// servers of different list files on one machine, derived from what the server already has, so nothing is stored.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvale {

using Uuid = std::array<std::uint8_t, 16>;

// The name-based UUID (version 5, SHA-1) of name in the namespace space.
Uuid NameBasedUuid(const Uuid& space, std::string_view name);

// "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx", in lower case.
std::string UuidText(const Uuid& uuid);

// "uuid:..." for the server of listFile (an absolute path) on the host hostName.
std::string DeviceUdn(std::string_view hostName, std::string_view listFile);

// "Tarnvale on HOSTNAME".
std::string DefaultFriendlyName(std::string_view hostName);

} // namespace tarnvale
