// Whole-file reading, the same on every system: through the file reader, so that opening, sizing and reading each
// have one implementation per system.
#include "platform/File.h"

#include "platform/FileReader.h"

#include <limits>

namespace tarnvale::platform {

ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, SystemError* error) {
    bytes.clear();
    FileReader file;
    SystemError opening;
    if (!file.Open(path, &opening)) {
        if (error)
            *error = opening;
        return IsNotFound(opening.code) ? ReadResult::NotFound : ReadResult::CannotOpen;
    }
    // Read straight into a buffer of the file's size and one byte more, so that a file that grew meanwhile shows
    // and is read to its new end.
    std::uint64_t size = 0;
    if (!file.Size(size) || size >= std::numeric_limits<std::size_t>::max() / 2)
        size = 0;
    bytes.resize(static_cast<std::size_t>(size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        std::size_t got = 0;
        SystemError reading;
        if (!file.ReadAt(filled, bytes.data() + filled, bytes.size() - filled, got, &reading)) {
            if (error)
                *error = MakeSystemError(reading.code, "cannot read " + path);
            bytes.clear();
            return ReadResult::Failed;
        }
        if (got == 0)
            break;
        filled += got;
    }
    bytes.resize(filled);
    return ReadResult::Ok;
}

} // namespace tarnvale::platform
