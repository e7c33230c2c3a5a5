// Fuzz target: subtitle bytes decoded and, when they are text, rewritten from SubRip as WebVTT; whatever the input,
// the result is valid UTF-8 and no cue text can close or open markup of its own.
#include "media/SubtitleText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tarnvale::SubtitleText text = tarnvale::DecodeSubtitleBytes({data, size});
    if (text.problem != tarnvale::SubtitleProblem::None)
        return 0;
    const tarnvale::WebVtt vtt = tarnvale::SrtToWebVtt(text.text);
    if (!tarnvale::IsWebVtt(vtt.text))
        __builtin_trap();
    // Only the three kept tags may open markup in a cue.
    for (std::size_t at = vtt.text.find('<'); at != std::string::npos; at = vtt.text.find('<', at + 1)) {
        const std::string_view tag = std::string_view(vtt.text).substr(at, 4);
        if (!(tag.starts_with("<i>") || tag.starts_with("<b>") || tag.starts_with("<u>") || tag == "</i>" ||
              tag == "</b>" || tag == "</u>"))
            __builtin_trap();
    }
    return 0;
}
