// The frame size of an element's image, from the way its frames lie in the bitmap.
#include "skin/SkinElement.h"

namespace tarnvale {

FrameSize FrameSizeFor(int id, std::int32_t bitmapWidth, std::int32_t bitmapHeight) {
    if (!IsElementId(id))
        return {};
    const ElementInfo& info = kElementTable[id];
    switch (info.strip) {
    case StripLayout::Horizontal:
        return {bitmapWidth / info.frames, bitmapHeight};
    case StripLayout::Vertical:
        return {bitmapWidth, bitmapHeight / info.frames};
    case StripLayout::None:
        break;
    }
    return {};
}

} // namespace tarnvale
