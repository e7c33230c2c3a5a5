// Fuzz target: the HTTP side's header readers over arbitrary text. A Range part must lie inside the file, and
// writing it back as "bytes=FIRST-LAST" must read as the same part; a date read must read again the same once
// written; a public URL taken must hold nothing a page, a playlist or JSON would need escaped, and read again as
// itself; a Host is answered or not without a fault.
#include "http/ByteRange.h"
#include "http/FileAnswer.h"
#include "http/HostCheck.h"
#include "net/PublicUrl.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
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

    if (const std::optional<std::int64_t> seconds = ParseHttpDate(header)) {
        // Years of four digits only: what HTTP can write.
        if (*seconds >= 0 && *seconds < 253402300800 && ParseHttpDate(HttpDate(*seconds)) != seconds)
            __builtin_trap();
    }
    if (const std::optional<PublicUrl> url = ParsePublicUrl(header)) {
        if (url->base.find_first_of("\"'<>\\ \r\n\t?#") != std::string::npos || url->host.empty())
            __builtin_trap();
        const std::optional<PublicUrl> again = ParsePublicUrl(url->base);
        if (!again || again->base != url->base || again->host != url->host)
            __builtin_trap();
        if (!HostAnswered(url->host, {url->host}))
            __builtin_trap();
    }
    HostAnswered(header, {"box", "box.lan"});
    return 0;
}
