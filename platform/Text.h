// Text comparison by the platform's rules.
#pragma once

namespace tarnvale::platform {

// Whether two texts are equal without regard to letter case. On Windows the comparison follows the ANSI code
// page and treats multibyte characters as units (_mbsicmp); elsewhere it folds ASCII letters only.
bool EqualsIgnoringCase(const char* a, const char* b);
// Whether text begins with prefix without regard to letter case, by the same rules.
bool StartsWithIgnoringCase(const char* text, const char* prefix);

} // namespace tarnvale::platform
