// The MPEG-1 stream test. It walks the system layer of the prefix: the first pack header decides MPEG-1 or
// MPEG-2, and what follows must be the packs, system headers and packets of an MPEG-1 stream. A stream that
// starts with a video sequence header is elementary video, MPEG-2 when a sequence extension follows the header.
#include "media/MpegStream.h"

#include "core/ByteReader.h"
#include "platform/FileReader.h"

#include <optional>
#include <vector>

namespace tarnvale {
namespace {

constexpr std::uint8_t kPictureCode = 0x00;
constexpr std::uint8_t kUserDataCode = 0xB2;
constexpr std::uint8_t kSequenceHeaderCode = 0xB3;
constexpr std::uint8_t kExtensionCode = 0xB5;
constexpr std::uint8_t kGroupCode = 0xB8;
constexpr std::uint8_t kEndCode = 0xB9;
constexpr std::uint8_t kPackCode = 0xBA;
constexpr std::uint8_t kSystemHeaderCode = 0xBB;
constexpr std::uint8_t kFirstStreamId = 0xBC;
constexpr std::uint8_t kPaddingStream = 0xBE;
constexpr std::uint8_t kPrivateStream2 = 0xBF;
constexpr std::uint8_t kSequenceExtensionId = 1;
constexpr std::size_t kMpeg1PackBytes = 12;
constexpr std::size_t kMaxPacketStuffing = 16;

using Bytes = std::span<const std::uint8_t>;

bool Bit(std::uint8_t byte, int bit) {
    return (byte >> bit) & 1;
}

// A start code prefix 00 00 01 at offset, with its code byte inside bytes.
bool StartCodeAt(Bytes bytes, std::size_t offset) {
    return offset + 4 <= bytes.size() && bytes[offset] == 0 && bytes[offset + 1] == 0 && bytes[offset + 2] == 1;
}

std::size_t FindStartCode(Bytes bytes, std::size_t from) {
    for (std::size_t i = from; i + 4 <= bytes.size(); ++i)
        if (StartCodeAt(bytes, i))
            return i;
    return bytes.size();
}

enum class Pack { Mpeg1, Mpeg2, Broken, Truncated };

// The pack header at offset: MPEG-1 ones start with the bits 0010 and carry five marker bits.
Pack ReadPack(Bytes bytes, std::size_t offset) {
    if (offset + 5 > bytes.size())
        return Pack::Truncated;
    const std::uint8_t kind = bytes[offset + 4];
    if (kind >> 6 == 0b01)
        return Pack::Mpeg2;
    if (kind >> 4 != 0b0010)
        return Pack::Broken;
    if (offset + kMpeg1PackBytes > bytes.size())
        return Pack::Truncated;
    const std::uint8_t* p = bytes.data() + offset;
    const bool markers = Bit(p[4], 0) && Bit(p[6], 0) && Bit(p[8], 0) && Bit(p[9], 7) && Bit(p[11], 0);
    return markers ? Pack::Mpeg1 : Pack::Broken;
}

// An MPEG-1 packet header: up to 16 stuffing bytes, an optional buffer size, then a time stamp or 0x0F.
// header holds the packet's data after its length field; its end may be cut off by the prefix.
enum class Header { Good, Bad, Truncated };
Header ReadPacketHeader(Bytes header, bool cutOff) {
    ByteReader in(header);
    const Header shortResult = cutOff ? Header::Truncated : Header::Bad;
    std::uint8_t b = 0;
    std::size_t stuffing = 0;
    do {
        if (!in.U8(b))
            return shortResult;
    } while (b == 0xFF && ++stuffing <= kMaxPacketStuffing);
    if (b == 0xFF)
        return Header::Bad;
    if (b >> 6 == 0b01) {
        if (!in.Skip(1) || !in.U8(b))
            return shortResult;
    }
    if (b == 0x0F)
        return Header::Good;
    std::uint8_t stamp[9];
    const std::size_t more = b >> 4 == 0b0010 ? 4 : b >> 4 == 0b0011 ? 9 : 0;
    if (more == 0)
        return Header::Bad;
    if (!in.Bytes(stamp, more))
        return shortResult;
    bool markers = Bit(b, 0) && Bit(stamp[1], 0) && Bit(stamp[3], 0);
    if (more == 9)
        markers = markers && stamp[4] >> 4 == 0b0001 && Bit(stamp[4], 0) && Bit(stamp[6], 0) && Bit(stamp[8], 0);
    return markers ? Header::Good : Header::Bad;
}

MpegStreamKind ClassifySystemStream(Bytes bytes, std::size_t first) {
    switch (ReadPack(bytes, first)) {
    case Pack::Mpeg1:
        break;
    case Pack::Mpeg2:
        return MpegStreamKind::Mpeg2System;
    case Pack::Broken:
    case Pack::Truncated:
        return MpegStreamKind::Other;
    }
    std::size_t offset = first + kMpeg1PackBytes;
    std::size_t parts = 0; // system headers and packets seen
    while (offset + 4 <= bytes.size()) {
        if (!StartCodeAt(bytes, offset)) {
            // Lost step: take up again at the next pack, as a parser that resynchronises would.
            offset = FindStartCode(bytes, offset + 1);
            while (offset < bytes.size() && bytes[offset + 3] != kPackCode)
                offset = FindStartCode(bytes, offset + 1);
            continue;
        }
        const std::uint8_t code = bytes[offset + 3];
        if (code == kEndCode)
            break;
        if (code == kPackCode) {
            const Pack pack = ReadPack(bytes, offset);
            if (pack == Pack::Mpeg2)
                return MpegStreamKind::Mpeg2System;
            if (pack == Pack::Truncated)
                break;
            offset += pack == Pack::Mpeg1 ? kMpeg1PackBytes : 4;
            continue;
        }
        if (code < kSystemHeaderCode) {
            offset += 4; // a video or audio start code at the system level: out of step, look for the next pack
            continue;
        }
        ByteReader in(bytes.subspan(offset + 4));
        std::uint16_t length = 0;
        if (!in.U16BE(length))
            break;
        const std::size_t body = offset + 6;
        const bool cutOff = body + length > bytes.size();
        const Bytes data = bytes.subspan(body, cutOff ? bytes.size() - body : length);
        if (code == kSystemHeaderCode) {
            // rate_bound sits between two marker bits.
            if (data.size() >= 3 && !(Bit(data[0], 7) && Bit(data[2], 0)))
                return MpegStreamKind::Other;
        } else if (code != kPaddingStream && code != kPrivateStream2 && code >= kFirstStreamId + 1 && code < 0xF0) {
            const Header header = ReadPacketHeader(data, cutOff);
            if (header == Header::Bad)
                return MpegStreamKind::Other;
        }
        ++parts;
        offset = body + length;
    }
    return parts > 0 ? MpegStreamKind::Mpeg1System : MpegStreamKind::Other;
}

// Elementary video: a plausible sequence header, then the first start code after it that is not user data.
MpegStreamKind ClassifyVideoStream(Bytes bytes, std::size_t first) {
    ByteReader in(bytes.subspan(first + 4));
    std::uint8_t h[8];
    if (!in.Bytes(h, sizeof h))
        return MpegStreamKind::Other;
    const unsigned width = unsigned(h[0]) << 4 | h[1] >> 4;
    const unsigned height = unsigned(h[1] & 0x0F) << 8 | h[2];
    const unsigned aspect = h[3] >> 4;
    const unsigned rate = h[3] & 0x0F;
    const bool marker = Bit(h[6], 5);
    if (width == 0 || height == 0 || aspect == 0 || aspect == 15 || rate == 0 || rate > 8 || !marker)
        return MpegStreamKind::Other;
    std::size_t offset = first + 4 + sizeof h;
    for (;;) {
        offset = FindStartCode(bytes, offset);
        if (offset >= bytes.size())
            return MpegStreamKind::Other;
        const std::uint8_t code = bytes[offset + 3];
        if (code == kExtensionCode && offset + 4 < bytes.size() && bytes[offset + 4] >> 4 == kSequenceExtensionId)
            return MpegStreamKind::Mpeg2Video;
        if (code == kGroupCode || code == kPictureCode)
            return MpegStreamKind::Mpeg1Video;
        if (code != kUserDataCode && code != kExtensionCode)
            return MpegStreamKind::Other;
        offset += 4;
    }
}

} // namespace

MpegStreamKind ClassifyMpegStream(Bytes prefix) {
    // Zero bytes may stuff the stream before its first start code.
    std::size_t first = 0;
    while (first < prefix.size() && prefix[first] == 0)
        ++first;
    if (first < 2 || first >= prefix.size() || prefix[first] != 1 || first + 1 >= prefix.size())
        return MpegStreamKind::Other;
    first -= 2;
    switch (prefix[first + 3]) {
    case kPackCode:
        return ClassifySystemStream(prefix, first);
    case kSequenceHeaderCode:
        return ClassifyVideoStream(prefix, first);
    default:
        return MpegStreamKind::Other;
    }
}

const char* MpegStreamKindText(MpegStreamKind kind) {
    static constexpr const char* kTexts[] = {"MPEG-1 system stream", "MPEG-1 video", "MPEG-2 program stream",
                                             "MPEG-2 video", "not an MPEG stream"};
    return kTexts[static_cast<int>(kind)];
}

bool Mpeg1ParserAccepts(MpegStreamKind kind) {
    return kind == MpegStreamKind::Mpeg1System || kind == MpegStreamKind::Mpeg1Video;
}

namespace {

// The file's first kMpegProbeBytes; nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadPrefix(const char* path) {
    platform::FileReader file;
    if (!path || !file.Open(path))
        return std::nullopt;
    std::vector<std::uint8_t> prefix(kMpegProbeBytes);
    std::size_t got = 0;
    if (!file.ReadAt(0, prefix.data(), prefix.size(), got))
        return std::nullopt;
    prefix.resize(got);
    return prefix;
}

} // namespace

MpegStreamKind ClassifyMpegFile(const char* path) {
    const auto prefix = ReadPrefix(path);
    return prefix ? ClassifyMpegStream(*prefix) : MpegStreamKind::Other;
}

MpegVideoFormat ProbeMpegVideo(Bytes prefix) {
    MpegVideoFormat format;
    format.kind = ClassifyMpegStream(prefix);
    if (format.kind == MpegStreamKind::Other)
        return format;
    // In a system stream the header sits inside the first video packet; the scan does not follow packets, so a
    // header split across two of them is not found and the frame stays unknown.
    for (std::size_t offset = FindStartCode(prefix, 0); offset < prefix.size();
         offset = FindStartCode(prefix, offset + 4)) {
        if (prefix[offset + 3] != kSequenceHeaderCode)
            continue;
        std::uint8_t h[4];
        ByteReader in(prefix.subspan(offset + 4));
        if (!in.Bytes(h, sizeof h))
            break;
        format.width = unsigned(h[0]) << 4 | h[1] >> 4;
        format.height = unsigned(h[1] & 0x0F) << 8 | h[2];
        format.frameRateCode = h[3] & 0x0F;
        break;
    }
    return format;
}

MpegVideoFormat ProbeMpegVideoFile(const char* path) {
    const auto prefix = ReadPrefix(path);
    return prefix ? ProbeMpegVideo(*prefix) : MpegVideoFormat{};
}

} // namespace tarnvale
