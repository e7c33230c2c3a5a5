// Fuzz target: the RIFF chunk walk over arbitrary bytes, both behind the AVI form check and from any start.
#include "media/RiffReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tarnvale::CRiffReader;
    CRiffReader reader;
    reader.OpenBytes({data, size});
    reader.FindIndex();
    // An index chunk is only ever recorded where its header was read, inside the data.
    if (reader.IndexOffset() != 0 && reader.IndexOffset() + 4 > size)
        __builtin_trap();

    CRiffReader raw;
    raw.OpenBytes({data, size});
    raw.WalkChunks(size);
    return 0;
}
