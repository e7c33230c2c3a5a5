// Bounds-checked reading of integers and byte runs from a buffer. Every read says its byte order; a read past
// the end fails and leaves the reader where it was, so short input is a result, never a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tarnvale {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return bytes_.size() - offset_; }
    bool AtEnd() const { return offset_ == bytes_.size(); }

    bool U8(std::uint8_t& value) {
        return Take(1, [&](const std::uint8_t* p) { value = p[0]; });
    }
    bool U16LE(std::uint16_t& value) {
        return Take(2, [&](const std::uint8_t* p) { value = static_cast<std::uint16_t>(p[0] | p[1] << 8); });
    }
    bool U32LE(std::uint32_t& value) {
        return Take(4, [&](const std::uint8_t* p) {
            value =
                std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        });
    }
    bool U16BE(std::uint16_t& value) {
        return Take(2, [&](const std::uint8_t* p) { value = static_cast<std::uint16_t>(p[0] << 8 | p[1]); });
    }
    bool U32BE(std::uint32_t& value) {
        return Take(4, [&](const std::uint8_t* p) {
            value =
                std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
        });
    }
    bool I32LE(std::int32_t& value) {
        std::uint32_t raw;
        if (!U32LE(raw))
            return false;
        value = static_cast<std::int32_t>(raw);
        return true;
    }
    bool I32BE(std::int32_t& value) {
        std::uint32_t raw;
        if (!U32BE(raw))
            return false;
        value = static_cast<std::int32_t>(raw);
        return true;
    }
    // Copies count bytes out.
    bool Bytes(void* out, std::size_t count) {
        return Take(count, [&](const std::uint8_t* p) { std::memcpy(out, p, count); });
    }
    bool Skip(std::size_t count) {
        return Take(count, [](const std::uint8_t*) {});
    }

private:
    template <typename Use>
    bool Take(std::size_t count, Use use) {
        if (count > Remaining())
            return false;
        use(bytes_.data() + offset_);
        offset_ += count;
        return true;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

} // namespace tarnvale
