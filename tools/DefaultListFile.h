// The list file the headless tools use when none is named, so that tarnvale and tarnvale-server agree without
// being told: Tarnvale.lst in the user's data folder, or the Windows program's list file where the system keeps
// no such folder.
#pragma once

#include "core/ListFile.h"
#include "platform/Console.h"

#include <string>

namespace tarnvale {

inline std::string DefaultListFile() {
    const std::string folder = platform::UserDataDirectory();
    return folder.empty() ? std::string(kWindowsListFilePath) : folder + "/Tarnvale.lst";
}

} // namespace tarnvale
