// A window's style words as the skin's classes read them.
#pragma once

#include "skin/FrameGeometry.h"

#include <windows.h>

namespace tarnvale {

static_assert(kStyleBorder == WS_BORDER && kStyleDialogFrame == WS_DLGFRAME && kStyleThickFrame == WS_THICKFRAME);
static_assert(kExStyleDialogModalFrame == WS_EX_DLGMODALFRAME && kExStyleWindowEdge == WS_EX_WINDOWEDGE);
static_assert(kExStyleClientEdge == WS_EX_CLIENTEDGE && kExStyleStaticEdge == WS_EX_STATICEDGE);

inline DWORD StyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
}

inline DWORD ExStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
}

// Thickness in pixels of the standard border that the window's present styles imply.
inline int BorderWidthOf(HWND window) {
    return BorderWidthForStyle(StyleOf(window), ExStyleOf(window));
}

} // namespace tarnvale
