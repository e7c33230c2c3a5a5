// What the writers' lock says about its holder, for the platform's lock sources only.
#pragma once

#include <chrono>
#include <string>

namespace tarnvale::platform {

// Who holds the lock, from what the holder wrote in the lock file ("1234 tarnvale watch").
std::string HolderText(std::string written);
// Why a writer that waited in vain got no lock: the list file at path is being changed by holder.
std::string BusyText(const std::string& path, const std::string& holder, std::chrono::milliseconds wait);

} // namespace tarnvale::platform
