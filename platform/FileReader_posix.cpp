// POSIX file reading: pread on a descriptor of our own.
#include "platform/FileReader.h"

#include "platform/FileHandle_posix.h"

#include <cerrno>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnvale::platform {

bool FileReader::Size(std::uint64_t& size) const {
    struct stat st {};
    if (!IsOpen() || ::fstat(Fd(file_), &st) != 0 || st.st_size < 0)
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

bool FileReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got,
                        SystemError* error) const {
    got = 0;
    if (!IsOpen() || offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return false;
    auto* out = static_cast<char*>(buffer);
    while (got < count) {
        const std::uint64_t at = offset + got;
        if (at > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
            break;
        ssize_t n = ::pread(Fd(file_), out + got, count - got, static_cast<off_t>(at));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = MakeSystemError(errno, "cannot read");
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool FileSize(const std::string& path, std::uint64_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size < 0)
        return false;
    size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

} // namespace tarnvale::platform
