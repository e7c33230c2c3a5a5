// Nine-grid rectangles.
#include "skin/NineGrid.h"

#include <algorithm>

namespace tarnvale {
namespace {

// Makes `low` + `high` fit within `limit`, keeping their proportion.
void FitPair(std::int32_t& low, std::int32_t& high, std::int32_t limit) {
    low = std::max(low, 0);
    high = std::max(high, 0);
    limit = std::max(limit, 0);
    const std::int64_t sum = std::int64_t(low) + high;
    if (sum <= limit)
        return;
    low = static_cast<std::int32_t>(std::int64_t(low) * limit / sum);
    high = limit - low;
}

} // namespace

std::array<NineGridPart, 9> NineGridParts(std::int32_t frameWidth, std::int32_t frameHeight, Margins m,
                                          std::int32_t targetWidth, std::int32_t targetHeight) {
    FitPair(m.left, m.right, std::min(frameWidth, targetWidth));
    FitPair(m.top, m.bottom, std::min(frameHeight, targetHeight));
    const std::int32_t L = m.left, T = m.top, R = m.right, B = m.bottom;
    const std::int32_t W = targetWidth, H = targetHeight, FW = frameWidth, FH = frameHeight;

    auto copy = [](GridRect destination, std::int32_t sx, std::int32_t sy) {
        return NineGridPart{destination, {sx, sy, destination.width, destination.height}, false};
    };
    auto stretch = [](GridRect destination, GridRect source) { return NineGridPart{destination, source, true}; };

    return {{
        stretch({L, T, W - R - L, H - B - T}, {L, T, FW - R - L, FH - B - T}),
        copy({0, 0, L, T}, 0, 0),
        copy({W - R, 0, R, T}, FW - R, 0),
        copy({W - R, H - B, R, B}, FW - R, FH - B),
        copy({0, H - B, L, B}, 0, FH - B),
        stretch({L, 0, W - R - L, T}, {L, 0, FW - R - L, T}),
        stretch({W - R, T, R, H - B - T}, {FW - R, T, R, FH - B - T}),
        stretch({L, H - B, W - R - L, B}, {L, FH - B, FW - R - L, B}),
        stretch({0, T, L, H - B - T}, {0, T, L, FH - B - T}),
    }};
}

} // namespace tarnvale
