// The program file the HTTP benchmarks serve: bytes of a fixed pattern (no run of zeros that a file system or a
// cache could treat apart), written in one-MiB blocks.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace tarnvale::bench {

inline void WriteProgramFile(const std::string& path, std::uint64_t size) {
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 2654435761u >> 24);
    std::ofstream out(path, std::ios::binary);
    for (std::uint64_t written = 0; written < size; written += block.size())
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

} // namespace tarnvale::bench
