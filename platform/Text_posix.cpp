// POSIX text comparison.
#include "platform/Text.h"

#include <strings.h>

namespace tarnvale::platform {

bool EqualsIgnoringCase(const char* a, const char* b) {
    return ::strcasecmp(a, b) == 0;
}

} // namespace tarnvale::platform
