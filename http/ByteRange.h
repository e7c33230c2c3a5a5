// What a single Range header asks of a file of a known size: the whole file, one part of it, or nothing it holds.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnvale {

struct RangeAnswer {
    enum class Kind {
        Whole,         // no usable range: the whole file, 200
        Part,          // first and length, 206
        Unsatisfiable, // a range that starts past the end, 416
    };
    Kind kind = Kind::Whole;
    std::uint64_t first = 0;
    std::uint64_t length = 0;
};

// Reads one "bytes=A-B", "bytes=A-" or "bytes=-N" against a file of size bytes. A header that does not read, names
// another unit, or asks for several ranges is ignored (the whole file): a server may always answer a range request
// with the whole representation, and one range is all that players ask for. A last byte past the end is cut to
// the end, and a suffix longer than the file is the whole file as one part.
RangeAnswer AnswerRange(std::string_view header, std::uint64_t size);

} // namespace tarnvale
