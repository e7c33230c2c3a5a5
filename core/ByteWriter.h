// Appending integers and byte runs to a growing buffer; every write says its byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tarnvale {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16LE(std::uint16_t v) { Put({std::uint8_t(v), std::uint8_t(v >> 8)}); }
    void U32LE(std::uint32_t v) {
        Put({std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
    }
    void U16BE(std::uint16_t v) { Put({std::uint8_t(v >> 8), std::uint8_t(v)}); }
    void U32BE(std::uint32_t v) {
        Put({std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
    }
    void I32LE(std::int32_t v) { U32LE(static_cast<std::uint32_t>(v)); }
    void I32BE(std::int32_t v) { U32BE(static_cast<std::uint32_t>(v)); }
    void Bytes(const void* data, std::size_t count) {
        auto p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + count);
    }

private:
    void Put(std::initializer_list<std::uint8_t> bytes) { out_.insert(out_.end(), bytes); }

    std::vector<std::uint8_t>& out_;
};

} // namespace tarnvale
