// Win32 console facts.
#include "platform/Console.h"

#include <io.h>

namespace tarnvale::platform {

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

} // namespace tarnvale::platform
