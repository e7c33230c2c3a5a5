// The encoder-made media files in tests/data/media and what fixtures.txt says each must probe as.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace tarnvale::test {

struct MediaFixture {
    std::string name;
    std::int32_t type = 0;
    std::int32_t tailOffset = 0;
};

inline std::string FixturePath(const std::string& name) {
    return std::string(TARNVALE_MEDIA_FIXTURES) + "/" + name;
}

inline std::vector<MediaFixture> MediaFixtures() {
    std::vector<MediaFixture> fixtures;
    std::ifstream in(FixturePath("fixtures.txt"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        MediaFixture f;
        fields >> f.name >> f.type >> f.tailOffset;
        fixtures.push_back(f);
    }
    return fixtures;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace tarnvale::test
