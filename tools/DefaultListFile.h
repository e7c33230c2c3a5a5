// The list file the headless tools use when none is named, so that tarnvale, tarnvale-server and scripts/run.sh
// agree without being told: $TARNVALE_LIST when set, otherwise Tarnvale.lst in the user's data folder, or the
// Windows program's list file where the system keeps no such folder.
#pragma once

#include "core/ListFile.h"
#include "platform/Console.h"

#include <cstdlib>
#include <string>

namespace tarnvale {

inline constexpr const char* kListFileVariable = "TARNVALE_LIST";

inline std::string DefaultListFile() {
    if (const char* named = std::getenv(kListFileVariable); named && *named)
        return named;
    const std::string folder = platform::UserDataDirectory();
    return folder.empty() ? std::string(kWindowsListFileName) : folder + "/Tarnvale.lst";
}

} // namespace tarnvale
