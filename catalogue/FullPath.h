// Paths as the catalogue stores them: in full, so that a program found from one folder is the same program from
// any other.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace tarnvale {

// path made absolute from the current folder, with "." and ".." resolved; as it is when the system cannot say.
inline std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

} // namespace tarnvale
