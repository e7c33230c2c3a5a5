// The DIB canvas: made, filled and read back.
#include "skin/win/DibCanvas.h"

#include <algorithm>

namespace tarnvale {

DibCanvas::DibCanvas(int width, int height, std::uint32_t fill) : width_(width), height_(height), dc_(nullptr) {
    void* bits = nullptr;
    bitmap_.reset(CreateDib(width, height, 32, true, &bits));
    if (!bitmap_ || !dc_)
        return;
    bits_ = static_cast<std::uint32_t*>(bits);
    select_.emplace(dc_.get(), bitmap_.get());
    Fill(fill);
}

std::uint32_t DibCanvas::Pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    GdiFlush();
    return bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] & 0xFFFFFF;
}

void DibCanvas::Fill(std::uint32_t rgb) {
    if (!bits_)
        return;
    GdiFlush();
    std::fill_n(bits_, std::size_t(width_) * std::size_t(height_), rgb);
}

RgbImage DibCanvas::Snapshot() const {
    RgbImage image(width_, height_);
    if (!bits_)
        return image;
    GdiFlush();
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = bits_[i] & 0xFFFFFF;
    return image;
}

} // namespace tarnvale
