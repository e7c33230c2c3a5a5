// Win32 text comparison and conversion: multibyte-aware, in the ANSI code page.
#include "platform/Text.h"

#include <cstring>
#include <mbstring.h>
#include <windows.h>

namespace tarnvale::platform {

bool EqualsIgnoringCase(const char* a, const char* b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b)) == 0;
}

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
    return _mbsnbicmp(reinterpret_cast<const unsigned char*>(text), reinterpret_cast<const unsigned char*>(prefix),
                      std::strlen(prefix)) == 0;
}

std::string SystemTextToUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, utf16.data(), wide);
    const int narrow = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), narrow, nullptr, nullptr);
    return utf8;
}

} // namespace tarnvale::platform
