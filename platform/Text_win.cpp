// Win32 text comparison: multibyte-aware, in the ANSI code page.
#include "platform/Text.h"

#include <mbstring.h>

namespace tarnvale::platform {

bool EqualsIgnoringCase(const char* a, const char* b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b)) == 0;
}

} // namespace tarnvale::platform
