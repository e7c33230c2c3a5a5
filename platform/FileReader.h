// Reading a file at any 64-bit offset, and asking a file's size, without a shared file position.
#pragma once

#include "platform/FileHandle.h"
#include "platform/SystemError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnvale::platform {

class FileReader {
public:
    // Opens path for reading, closing what was open before.
    bool Open(const std::string& path, SystemError* error = nullptr) {
        file_ = OpenForReading(path, error);
        return IsOpen();
    }
    void Close() { file_.reset(); }
    bool IsOpen() const { return static_cast<bool>(file_); }

    // The file's length now.
    bool Size(std::uint64_t& size) const;
    // Reads up to count bytes at offset; got is how many were there (fewer at the end of the file, none past it).
    // False only for a read error (error says which) or an offset the system cannot address.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got,
                SystemError* error = nullptr) const;

private:
    UniqueFile file_;
};

// The size of the file at path; false when its status cannot be had (a missing file, for instance).
bool FileSize(const std::string& path, std::uint64_t& size);

} // namespace tarnvale::platform
