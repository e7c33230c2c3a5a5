// Conversions between the portable layout types and the window system's RECT and POINT, and the point a mouse
// message carries.
#pragma once

#include "skin/Geometry.h"

#include <windows.h>
#include <windowsx.h>

namespace tarnvale {

inline Rect FromRECT(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline RECT ToRECT(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline int RectWidth(const RECT& r) {
    return r.right - r.left;
}
inline int RectHeight(const RECT& r) {
    return r.bottom - r.top;
}
inline Point FromPOINT(const POINT& p) {
    return {p.x, p.y};
}

// The point of a mouse message; coordinates are signed (left of or above a multi-monitor origin, or outside a
// window that holds the capture).
inline POINT PointFromLParam(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

} // namespace tarnvale
