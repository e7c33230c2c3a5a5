// Text comparison and conversion by the platform's rules, and ASCII's own case folding.
#pragma once

#include <string>
#include <string_view>

namespace tarnvale::platform {

// An ASCII letter in lower case, any other byte as it is: for words whose case rules are ASCII's alone (HTTP's
// units, file-name extensions) and for keys that group what the platform's rules would find equal.
constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether two texts are equal without regard to letter case. On Windows the comparison follows the ANSI code
// page and treats multibyte characters as units (_mbsicmp); elsewhere it folds ASCII letters only.
bool EqualsIgnoringCase(const char* a, const char* b);
// Whether text begins with prefix without regard to letter case, by the same rules.
bool StartsWithIgnoringCase(const char* text, const char* prefix);
// Text the system gave (paths, names) as UTF-8: on Windows converted from the ANSI code page; elsewhere the system's
// bytes are UTF-8 already and come back as they are.
std::string SystemTextToUtf8(std::string_view text);

} // namespace tarnvale::platform
