// POSIX error texts.
#include "platform/SystemError.h"

#include <cstring>

namespace tarnvale::platform {

std::string SystemErrorText(int code) {
    return std::strerror(code);
}

} // namespace tarnvale::platform
