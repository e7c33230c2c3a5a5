// Whole-file reading and crash-safe whole-file replacement.
#pragma once

#include "platform/SystemError.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnvale::platform {

enum class ReadResult { Ok, NotFound, CannotOpen, Failed };

// Reads the whole file into bytes. NotFound when the file does not exist; CannotOpen when it exists but cannot be
// opened for reading (access denied, locked by another program, a folder in its place); Failed for a read error.
ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, SystemError* error = nullptr);

// Replaces path with bytes so that a reader, a crash or a full disk never sees a partial file: the bytes go to a
// temporary file beside path, are flushed to disk, and only then is the temporary file renamed over path.
// Where no file can be created beside path (a folder whose files a user may change but not add to, as C:\ is on
// Windows), path is rewritten in place instead: written whole, truncated to its new length and flushed, with room
// for the new length taken first so that a full disk fails before the old contents change. error names both
// failures when that fails too. Temporary files that interrupted saves of path left behind are removed first.
bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes, SystemError* error = nullptr);

// Removes the temporary files that saves of path were interrupted in (killed, a power cut), and none that a save
// running now, in this process or another, is writing.
void RemoveInterruptedSaves(const std::string& path);

// What one look at a file (no opening, no reading) finds.
struct FileStatus {
    enum class State { Found, Missing, Unreadable } state = State::Missing;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // modification time in the system's finest unit
    std::uint64_t volume = 0;  // with file, the file's identity, kept through a rename (0 where the system does
    std::uint64_t file = 0;    // not tell it cheaply)
    bool isFolder = false;
    bool operator==(const FileStatus&) const = default;
};

// Looks at path without opening it. Unreadable when it is there but this process may not read it (as far as the
// look can tell; an administrator reads everything) or the look itself was refused.
FileStatus LookAtFile(const char* path);
inline FileStatus LookAtFile(const std::string& path) {
    return LookAtFile(path.c_str());
}

// Deletes a file. False when it is absent or cannot be deleted.
bool RemoveFile(const std::string& path);

} // namespace tarnvale::platform
