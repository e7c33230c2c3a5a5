// Fuzz target: the MPEG-1 stream test and the frame probe over arbitrary bytes; the probe must agree with the test.
#include "media/MpegStream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto kind = tarnvale::ClassifyMpegStream({data, size});
    if (tarnvale::MpegStreamKindText(kind) == nullptr)
        __builtin_trap();
    const tarnvale::MpegVideoFormat video = tarnvale::ProbeMpegVideo({data, size});
    if (video.kind != kind || video.width > 0xFFF || video.height > 0xFFF || video.frameRateCode > 0xF)
        __builtin_trap();
    return 0;
}
