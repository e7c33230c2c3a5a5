// Skin images: element bitmaps as image lists of frames, and the nine-grid drawing every painter rests on.
#pragma once

#include "skin/Geometry.h"
#include "skin/RgbImage.h"
#include "skin/SkinElement.h"
#include "skin/win/GdiHandles.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace tarnvale {

// Loads the bitmap of element id from path as an image list of its frames, magenta see-through, prepared for dpi:
// away from 96 DPI each frame is resampled to its size times dpi/96, from the art drawn at twice the size at
// highDpiPath when there is one (an empty path: none; one that cannot be loaded is passed over). frame receives the
// size of one prepared frame. Null when the bitmap cannot be loaded or holds no whole frame.
HIMAGELIST LoadElementImage(int id, const std::string& path, const std::string& highDpiPath, int dpi, FrameSize& frame);

// The pixels of a bitmap, and a bitmap of pixels (null on failure).
RgbImage PixelsOf(HBITMAP bitmap);
HBITMAP BitmapOf(const RgbImage& image);

// Loads a bitmap of frames stacked top to bottom, each frameHeight rows tall, as an image list of those frames.
// maskColour 0xFFFFFFFF adds the frames without a mask.
HIMAGELIST ImageListFromVerticalStrip(HINSTANCE instance, const char* fileName, int frameHeight, int growBy,
                                      COLORREF maskColour, UINT imageType, UINT loadFlags);

// An image with see-through pixels, as two bitmaps: the colours (black where see-through) and a one-bit mask (set
// where see-through). Drawn with two copies from a kept device context, it costs a fraction of an image list's draw,
// which makes and frees a device context and a bitmap each time.
struct MaskedImage {
    UniqueBitmap colours;
    UniqueBitmap mask;
    int width = 0, height = 0;

    explicit operator bool() const { return colours && mask; }
};

// Frame `frame` of image, whose frames are frameSize, laid into width x height by the nine-grid rule (corners at their
// size, edges and centre stretched), magenta see-through and wherever no part covers it. Empty on failure.
MaskedImage ComposeNineGrid(HIMAGELIST image, int frame, FrameSize frameSize, Margins margins, int width, int height);

// Draws image with its top-left corner at (x, y) of target, leaving target's pixels where the image is see-through;
// source is a memory device context the bitmaps are selected into for the copies.
void DrawMasked(HDC target, HDC source, const MaskedImage& image, int x, int y);

} // namespace tarnvale
