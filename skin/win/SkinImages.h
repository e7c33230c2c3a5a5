// Skin images: element bitmaps as image lists of frames, and the nine-grid drawing every painter rests on.
#pragma once

#include "skin/Geometry.h"
#include "skin/SkinElement.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace tarnvale {

// Loads the bitmap of element id from path as an image list of its frames, magenta see-through; frame receives the
// size of one frame. Null when the bitmap cannot be loaded or holds no whole frame.
HIMAGELIST LoadElementImage(int id, const std::string& path, FrameSize& frame);

// Loads a bitmap of frames stacked top to bottom, each frameHeight rows tall, as an image list of those frames.
// maskColour 0xFFFFFFFF adds the frames without a mask.
HIMAGELIST ImageListFromVerticalStrip(HINSTANCE instance, const char* fileName, int frameHeight, int growBy,
                                      COLORREF maskColour, UINT imageType, UINT loadFlags);

// Frame `frame` of image, whose frames are frameSize, laid into width x height by the nine-grid rule (corners at their
// size, edges and centre stretched) as a new one-image masked list, magenta see-through and wherever no part covers
// it. The caller owns the list; null on failure.
HIMAGELIST ComposeNineGrid(HIMAGELIST image, int frame, FrameSize frameSize, Margins margins, int width, int height);

} // namespace tarnvale
