// Win32 file reading: positioned ReadFile calls on a handle of our own (ANSI paths).
#include "platform/FileReader.h"

#include "platform/FileHandle_win.h"

#include <windows.h>

#include <algorithm>

namespace tarnvale::platform {

bool FileReader::Size(std::uint64_t& size) const {
    LARGE_INTEGER li{};
    if (!IsOpen() || !GetFileSizeEx(AsHandle(file_), &li) || li.QuadPart < 0)
        return false;
    size = static_cast<std::uint64_t>(li.QuadPart);
    return true;
}

bool FileReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got,
                        SystemError* error) const {
    got = 0;
    if (!IsOpen() || offset > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    auto* out = static_cast<char*>(buffer);
    while (got < count) {
        const std::uint64_t at = offset + got;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - got, 1u << 30));
        DWORD n = 0;
        if (!ReadFile(AsHandle(file_), out + got, want, &n, &where)) {
            // Past the end of the file is no error, just nothing more to read.
            const DWORD code = GetLastError();
            if (code == ERROR_HANDLE_EOF)
                break;
            if (error)
                *error = MakeSystemError(static_cast<int>(code), "cannot read");
            return false;
        }
        if (n == 0)
            break;
        got += n;
    }
    return true;
}

bool FileSize(const std::string& path, std::uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

} // namespace tarnvale::platform
