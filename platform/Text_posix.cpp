// POSIX text comparison and conversion.
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

std::string SystemTextToUtf8(std::string_view text) {
    return std::string(text);
}

} // namespace tarnvale::platform
