// A skin drawn for 96 DPI shown at another DPI: its fixed sizes multiplied by DPI/96, and its element images
// resampled once per DPI, so that the frame keeps its proportions on sharper screens instead of shrinking.
#pragma once

#include "skin/Geometry.h"
#include "skin/RgbImage.h"
#include "skin/SkinElement.h"
#include "skin/SkinFile.h"

#include <cstdint>

namespace tarnvale {

// The DPI every size in a skin file and every pixel size of the program's layout is given at.
inline constexpr int kBaseDpi = 96;

// value * dpi / 96, rounded to the nearest pixel (halves away from zero); a DPI of 0 or less reads as 96.
std::int32_t ScaleToDpi(std::int32_t value, int dpi);
Margins ScaleToDpi(const Margins& margins, int dpi);

// The sizes of an element's section at dpi: its margins and its offset in the caption. The frame size comes from
// the image prepared for that DPI.
void ScaleSectionToDpi(SkinElement& element, int dpi);

// The caption font at dpi: its height scaled, face and weight kept.
FontSpec ScaleToDpi(const FontSpec& font, int dpi);

// The global settings at dpi: the caption font's height and the caption text's offset.
GlobalSettings ScaleToDpi(const GlobalSettings& settings, int dpi);

// A strip of count frames of size from (side by side, or stacked for StripLayout::Vertical) resampled frame by
// frame to frames of size to, in the same layout. Each target pixel takes the average of the source area it covers;
// magenta counts as see-through: a target pixel is magenta when see-through pixels cover at least half its area,
// and otherwise the average of the opaque ones alone, so that no pink fringe appears at a frame's edges and no frame
// bleeds into its neighbour. Empty when a size is empty or the strip is too small for its frames.
RgbImage ResampleFrames(const RgbImage& strip, FrameSize from, std::int32_t count, StripLayout layout, FrameSize to);

} // namespace tarnvale
