// POSIX error texts.
#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

namespace tarnvale::platform {

std::string SystemErrorText(int code) {
    return std::strerror(code);
}

bool IsNotFound(int code) {
    return code == ENOENT;
}

} // namespace tarnvale::platform
