// A 32-bit top-down DIB section selected into a memory DC: a picture to draw into whose pixels can be read back
// directly, for the skin sheet and the tests that look at what was drawn.
#pragma once

#include "skin/RgbImage.h"
#include "skin/win/GdiHandles.h"

#include <windows.h>

#include <cstdint>
#include <optional>

namespace tarnvale {

class DibCanvas {
public:
    // A width x height canvas filled with fill (0xRRGGBB).
    DibCanvas(int width, int height, std::uint32_t fill);
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    // False when the system could not make the bitmap; nothing can be drawn then.
    bool Valid() const { return bits_ != nullptr; }
    HDC dc() const { return dc_.get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixel at (x, y) as 0xRRGGBB, once what was drawn has reached the bitmap.
    std::uint32_t Pixel(int x, int y) const;
    void Fill(std::uint32_t rgb);
    RgbImage Snapshot() const;

private:
    int width_, height_;
    MemoryDC dc_;
    UniqueBitmap bitmap_;
    std::optional<ScopedSelect> select_;
    std::uint32_t* bits_ = nullptr;
};

} // namespace tarnvale
