// POSIX console facts.
#include "platform/Console.h"

#include <unistd.h>

namespace tarnvale::platform {

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

} // namespace tarnvale::platform
