// Nine-grid geometry: how one frame is cut into corners, edges and centre and laid into a rectangle of another
// size, corners kept at their size and edges and centre stretched.
#pragma once

#include "skin/Geometry.h"

#include <array>
#include <cstdint>

namespace tarnvale {

struct GridRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool Empty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const GridRect&, const GridRect&) = default;
};

// One copy from the frame (source) into the target (destination); a plain copy when both have the same size.
struct NineGridPart {
    GridRect destination;
    GridRect source;
    bool stretched = false;
};

// The nine copies in drawing order: centre, the corners top-left, top-right, bottom-right, bottom-left, then the
// edges top, right, bottom, left. Destinations are relative to the target's top-left corner. Negative margins
// count as 0; margins that do not fit the frame or the target together (left + right wider than either) are
// scaled down in proportion so the corners meet, and the parts between them are then empty. A part whose
// destination or source is empty draws nothing.
std::array<NineGridPart, 9> NineGridParts(std::int32_t frameWidth, std::int32_t frameHeight, Margins margins,
                                          std::int32_t targetWidth, std::int32_t targetHeight);

} // namespace tarnvale
