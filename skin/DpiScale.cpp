// Scaling the skin's sizes and images to a DPI.
#include "skin/DpiScale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarnvale {
namespace {

// What one target pixel covers along one axis: source pixels first..first+weights.size()-1 with their shares.
struct Coverage {
    std::int32_t first = 0;
    std::vector<double> weights;
};

// Target pixel t of a row of `to` pixels covers [t * from / to, (t + 1) * from / to) of a row of `from` pixels.
std::vector<Coverage> AxisCoverage(std::int32_t from, std::int32_t to) {
    std::vector<Coverage> axis(static_cast<std::size_t>(to));
    const double step = double(from) / double(to);
    for (std::int32_t t = 0; t < to; ++t) {
        const double begin = t * step, end = (t + 1) * step;
        Coverage& c = axis[std::size_t(t)];
        c.first = std::int32_t(std::floor(begin));
        for (std::int32_t s = c.first; s < from && double(s) < end; ++s) {
            const double share = std::min(end, double(s + 1)) - std::max(begin, double(s));
            if (share > 0)
                c.weights.push_back(share);
            else if (c.weights.empty())
                ++c.first; // a sliver that rounding left before the covered area
        }
    }
    return axis;
}

std::uint32_t Channel(std::uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

} // namespace

std::int32_t ScaleToDpi(std::int32_t value, int dpi) {
    if (dpi <= 0 || dpi == kBaseDpi)
        return value;
    const std::int64_t product = std::int64_t(value) * dpi;
    const std::int64_t half = kBaseDpi / 2;
    return std::int32_t(product >= 0 ? (product + half) / kBaseDpi : -((-product + half) / kBaseDpi));
}

Margins ScaleToDpi(const Margins& margins, int dpi) {
    return {ScaleToDpi(margins.left, dpi), ScaleToDpi(margins.top, dpi), ScaleToDpi(margins.right, dpi),
            ScaleToDpi(margins.bottom, dpi)};
}

void ScaleSectionToDpi(SkinElement& element, int dpi) {
    element.margins = ScaleToDpi(element.margins, dpi);
    element.offsetX = ScaleToDpi(element.offsetX, dpi);
    element.offsetY = ScaleToDpi(element.offsetY, dpi);
}

FontSpec ScaleToDpi(const FontSpec& font, int dpi) {
    return {font.face, ScaleToDpi(font.size, dpi), font.weight};
}

GlobalSettings ScaleToDpi(const GlobalSettings& settings, int dpi) {
    GlobalSettings scaled = settings;
    scaled.captionFont = ScaleToDpi(settings.captionFont, dpi);
    scaled.captionOffsetX = ScaleToDpi(settings.captionOffsetX, dpi);
    scaled.captionOffsetY = ScaleToDpi(settings.captionOffsetY, dpi);
    return scaled;
}

RgbImage ResampleFrames(const RgbImage& strip, FrameSize from, std::int32_t count, StripLayout layout, FrameSize to) {
    const bool stacked = layout == StripLayout::Vertical;
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0 || count <= 0)
        return {};
    if (std::int64_t(stacked ? from.width : from.width * std::int64_t(count)) > strip.width ||
        std::int64_t(stacked ? from.height * std::int64_t(count) : from.height) > strip.height)
        return {};
    RgbImage scaled(stacked ? to.width : to.width * count, stacked ? to.height * count : to.height, kMagenta);
    const std::vector<Coverage> columns = AxisCoverage(from.width, to.width);
    const std::vector<Coverage> rows = AxisCoverage(from.height, to.height);
    for (std::int32_t f = 0; f < count; ++f) {
        const std::int32_t sx0 = stacked ? 0 : f * from.width, sy0 = stacked ? f * from.height : 0;
        const std::int32_t tx0 = stacked ? 0 : f * to.width, ty0 = stacked ? f * to.height : 0;
        for (std::int32_t ty = 0; ty < to.height; ++ty) {
            const Coverage& row = rows[std::size_t(ty)];
            for (std::int32_t tx = 0; tx < to.width; ++tx) {
                const Coverage& column = columns[std::size_t(tx)];
                double red = 0, green = 0, blue = 0, opaque = 0, clear = 0;
                for (std::size_t j = 0; j < row.weights.size(); ++j) {
                    for (std::size_t i = 0; i < column.weights.size(); ++i) {
                        const double share = row.weights[j] * column.weights[i];
                        const std::uint32_t pixel =
                            strip.At(sx0 + column.first + std::int32_t(i), sy0 + row.first + std::int32_t(j)) &
                            0xFFFFFF;
                        if (pixel == kMagenta) {
                            clear += share;
                            continue;
                        }
                        red += share * Channel(pixel, 16);
                        green += share * Channel(pixel, 8);
                        blue += share * Channel(pixel, 0);
                        opaque += share;
                    }
                }
                if (opaque <= clear)
                    continue; // stays magenta
                const auto mean = [&](double sum) { return std::uint32_t(std::lround(sum / opaque)) & 0xFF; };
                std::uint32_t pixel = (mean(red) << 16) | (mean(green) << 8) | mean(blue);
                // An average that lands on the key colour itself would turn see-through.
                if (pixel == kMagenta)
                    pixel = 0xFE00FE;
                scaled.At(tx0 + tx, ty0 + ty) = pixel;
            }
        }
    }
    return scaled;
}

} // namespace tarnvale
