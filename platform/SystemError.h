// An operating-system error captured at the call that failed, with text a person can read.
#pragma once

#include <string>

namespace tarnvale::platform {

struct SystemError {
    int code = 0;        // errno, or GetLastError()/WSAGetLastError() on Windows
    std::string message; // what failed, and the system's own words for why
};

// The system's own words for an error code (strerror, or FormatMessage on Windows), without a trailing full stop.
std::string SystemErrorText(int code);

// Whether code (as SystemError::code holds it) says that a file, or a folder on its path, is not there.
bool IsNotFound(int code);

// "what: the system's words", kept with the code.
inline SystemError MakeSystemError(int code, const std::string& what) {
    return SystemError{code, what + ": " + SystemErrorText(code)};
}

} // namespace tarnvale::platform
