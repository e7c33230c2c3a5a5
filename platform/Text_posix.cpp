// POSIX text comparison.
#include "platform/Text.h"

#include <cstring>
#include <strings.h>

namespace tarnvale::platform {

bool EqualsIgnoringCase(const char* a, const char* b) {
    return ::strcasecmp(a, b) == 0;
}

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
    return ::strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace tarnvale::platform
