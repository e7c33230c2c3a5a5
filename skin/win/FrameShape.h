// The skinned frame's see-through shape as a window region, cut from a composed frame, for systems without layered
// windows; the skinned dialog and the frame benchmark cut it with the same code.
#pragma once

#include "skin/FrameGeometry.h"
#include "skin/win/LoadedSkin.h"

#include <windows.h>

namespace tarnvale {

// The frame's thickness as skin measures it: its side frames' widths, its caption's and bottom frame's heights.
FrameMetrics SkinFrameMetrics(const LoadedSkin& skin);

// The window rectangle (0, 0, width, height of windowRect) without the magenta pixels of the frame composed in hdc,
// whose frame measures frame; the client area is left whole whatever its colour. Null when the region cannot be made.
// The caller owns the region.
HRGN CutFrameRegion(HDC hdc, const RECT& windowRect, const FrameMetrics& frame);

} // namespace tarnvale
