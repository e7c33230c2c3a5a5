// A window's whole text, however long: how the skin's painters and the program's dialogs read window texts.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

namespace tarnvale {

inline std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(std::max(0, GetWindowTextLengthA(window))) + 1, '\0');
    const int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

} // namespace tarnvale
