// Media type codes of a catalogue record and the texts shown for them.
#pragma once

#include <cstdint>

namespace tarnvale {

enum MediaType : std::int32_t {
    MEDIA_MPEG1 = 0,
    MEDIA_MPEG2 = 1,
    MEDIA_AVI = 2,
    MEDIA_MP3 = 3,
};

// "MPEG1", "MPEG2", "AVI", "MP3", or "Unknown" for any other code, negative ones included.
const char* MediaTypeText(std::int32_t type);

} // namespace tarnvale
