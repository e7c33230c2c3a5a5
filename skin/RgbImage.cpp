// BMP encoding of 24-bit pictures.
#include "skin/RgbImage.h"

#include "core/ByteWriter.h"

namespace tarnvale {
namespace {

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;

std::size_t RowBytes(std::int32_t width, int bytesPerPixel) {
    return (std::size_t(width) * bytesPerPixel + 3) & ~std::size_t(3);
}

} // namespace

std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image) {
    const std::size_t row = RowBytes(image.width, 3);
    const std::size_t pixelBytes = row * std::size_t(image.height);
    std::vector<std::uint8_t> out;
    out.reserve(kFileHeaderBytes + kInfoHeaderBytes + pixelBytes);
    ByteWriter writer(out);
    writer.Bytes("BM", 2);
    writer.U32LE(static_cast<std::uint32_t>(kFileHeaderBytes + kInfoHeaderBytes + pixelBytes));
    writer.U32LE(0);
    writer.U32LE(kFileHeaderBytes + kInfoHeaderBytes);
    writer.U32LE(kInfoHeaderBytes);
    writer.U32LE(static_cast<std::uint32_t>(image.width));
    writer.U32LE(static_cast<std::uint32_t>(image.height)); // positive: bottom-up
    writer.U16LE(1);
    writer.U16LE(24);
    writer.U32LE(0); // BI_RGB
    writer.U32LE(static_cast<std::uint32_t>(pixelBytes));
    writer.U32LE(2835); // 72 dots per inch
    writer.U32LE(2835);
    writer.U32LE(0);
    writer.U32LE(0);
    for (std::int32_t y = image.height - 1; y >= 0; --y) {
        for (std::int32_t x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.At(x, y);
            writer.U8(p & 0xFF);
            writer.U8((p >> 8) & 0xFF);
            writer.U8((p >> 16) & 0xFF);
        }
        for (std::size_t pad = std::size_t(image.width) * 3; pad < row; ++pad)
            writer.U8(0);
    }
    return out;
}

} // namespace tarnvale
