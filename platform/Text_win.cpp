// Win32 text comparison: multibyte-aware, in the ANSI code page.
#include "platform/Text.h"

#include <cstring>
#include <mbstring.h>

namespace tarnvale::platform {

bool EqualsIgnoringCase(const char* a, const char* b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b)) == 0;
}

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
    return _mbsnbicmp(reinterpret_cast<const unsigned char*>(text), reinterpret_cast<const unsigned char*>(prefix),
                      std::strlen(prefix)) == 0;
}

} // namespace tarnvale::platform
