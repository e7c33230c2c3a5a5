// The texts shown for media type codes.
#include "core/MediaType.h"

namespace tarnvale {

const char* MediaTypeText(std::int32_t type) {
    static constexpr const char* kTexts[] = {"MPEG1", "MPEG2", "AVI", "MP3"};
    return type >= 0 && type < 4 ? kTexts[type] : "Unknown";
}

} // namespace tarnvale
