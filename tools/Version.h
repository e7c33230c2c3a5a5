// The one line every tool prints for --version: its name and the project's version, as CMake knows it.
#pragma once

#include <string>

namespace tarnvale {

inline std::string VersionLine(const char* tool) {
    return std::string(tool) + " " + TARNVALE_VERSION + "\n";
}

} // namespace tarnvale
