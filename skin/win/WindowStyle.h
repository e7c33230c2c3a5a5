// A window's style words as the skin's classes read them.
#pragma once

#include <windows.h>

namespace tarnvale {

inline DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
}

inline DWORD ExStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
}

} // namespace tarnvale
