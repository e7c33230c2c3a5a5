// Fuzz target: the MPEG-1 stream test over arbitrary bytes.
#include "media/MpegStream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto kind = tarnvale::ClassifyMpegStream({data, size});
    if (tarnvale::MpegStreamKindText(kind) == nullptr)
        __builtin_trap();
    return 0;
}
