// Fuzz target: the Range header reader over arbitrary text and file sizes. A part must lie inside the file, and
// writing it back as "bytes=FIRST-LAST" must read as the same part.
#include "http/ByteRange.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnvale;
    // The first bytes choose the file size, small sizes most often, so that the edges around the end are reached.
    if (size < 1)
        return 0;
    std::uint64_t fileSize = data[0];
    if (size >= 9 && (data[0] & 1)) {
        std::memcpy(&fileSize, data + 1, sizeof fileSize);
        data += 8;
        size -= 8;
    }
    const std::string_view header(reinterpret_cast<const char*>(data + 1), size - 1);
    const RangeAnswer answer = AnswerRange(header, fileSize);
    if (answer.kind == RangeAnswer::Kind::Part) {
        if (answer.length == 0 || answer.first >= fileSize || answer.length > fileSize - answer.first)
            __builtin_trap();
        const std::string again =
            "bytes=" + std::to_string(answer.first) + "-" + std::to_string(answer.first + answer.length - 1);
        const RangeAnswer reread = AnswerRange(again, fileSize);
        if (reread.kind != RangeAnswer::Kind::Part || reread.first != answer.first || reread.length != answer.length)
            __builtin_trap();
    }
    return 0;
}
