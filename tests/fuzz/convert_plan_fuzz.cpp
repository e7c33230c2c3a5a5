// The conversions' readers on any text: the prober's report, the converter's list lines and a TV's time seek. What
// they accept must hold together; nothing may crash or read outside the text.
#include "convert/ConversionPlan.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto streams = tarnvale::ReadProbeReport(text)) {
        if (streams->durationMs == 0 || streams->video.empty())
            std::abort();
        // The playlist of any length read names as many segments as the count says.
        if (streams->durationMs < 100'000'000) {
            const std::string playlist = tarnvale::VodPlaylist(streams->durationMs);
            std::size_t named = 0;
            for (std::size_t at = playlist.find(".ts\n"); at != std::string::npos; at = playlist.find(".ts\n", at + 1))
                ++named;
            if (named != tarnvale::SegmentCount(streams->durationMs))
                std::abort();
        }
    }
    if (const auto range = tarnvale::ReadNptRange(text))
        if (range->endMs && *range->endMs < range->startMs)
            std::abort();
    (void)tarnvale::FinishedSegment(text);
    return 0;
}
