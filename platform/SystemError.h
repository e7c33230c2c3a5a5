// An operating-system error captured at the call that failed, with text a person can read.
#pragma once

#include <string>

namespace tarnvale::platform {

struct SystemError {
    int code = 0;        // errno, or GetLastError()/WSAGetLastError() on Windows
    std::string message; // what failed, and the system's own words for why
};

} // namespace tarnvale::platform
