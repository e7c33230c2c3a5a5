// A plain 24-bit picture in memory and its BMP file form: what the skin generator draws, what the frame-sheet tool
// writes, and what tests build skin images from.
#pragma once

#include <cstdint>
#include <vector>

namespace tarnvale {

struct RgbImage {
    RgbImage() = default;
    RgbImage(std::int32_t w, std::int32_t h, std::uint32_t fill = 0) : width(w), height(h), pixels(Area(w, h), fill) {}

    // Pixels are 0xRRGGBB, row by row from the top.
    std::uint32_t& At(std::int32_t x, std::int32_t y) { return pixels[std::size_t(y) * std::size_t(width) + x]; }
    std::uint32_t At(std::int32_t x, std::int32_t y) const { return pixels[std::size_t(y) * std::size_t(width) + x]; }
    bool Contains(std::int32_t x, std::int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;

private:
    static std::size_t Area(std::int32_t w, std::int32_t h) {
        return w > 0 && h > 0 ? std::size_t(w) * std::size_t(h) : 0;
    }
};

// The image as a BMP file: 24 bits per pixel, uncompressed, rows stored bottom-up and padded to 4 bytes.
std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image);

} // namespace tarnvale
