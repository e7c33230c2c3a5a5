// Conversions between the portable layout types and the window system's RECT and POINT.
#pragma once

#include "skin/Geometry.h"

#include <windows.h>

namespace tarnvale {

inline Rect FromRECT(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline RECT ToRECT(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline Point FromPOINT(const POINT& p) {
    return {p.x, p.y};
}

} // namespace tarnvale
