// Reading a file at any 64-bit offset, and asking a file's size, without a shared file position.
#pragma once

#include "platform/SystemError.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnvale::platform {

class FileReader {
public:
    FileReader() = default;
    ~FileReader() { Close(); }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    FileReader(FileReader&& other) noexcept : handle_(other.release()) {}
    FileReader& operator=(FileReader&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = other.release();
        }
        return *this;
    }

    // Opens path for reading, closing what was open before.
    bool Open(const std::string& path, SystemError* error = nullptr);
    void Close();
    bool IsOpen() const { return handle_ != kNone; }

    // The file's length now.
    bool Size(std::uint64_t& size) const;
    // Reads up to count bytes at offset; got is how many were there (fewer at the end of the file, none past it).
    // False only for a read error or an offset the system cannot address.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const;

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t release() {
        std::intptr_t h = handle_;
        handle_ = kNone;
        return h;
    }
    std::intptr_t handle_ = kNone; // a descriptor on POSIX, a HANDLE on Windows
};

// The size of the file at path; false when its status cannot be had (a missing file, for instance).
bool FileSize(const std::string& path, std::uint64_t& size);

} // namespace tarnvale::platform
