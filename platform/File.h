// Whole-file reading and crash-safe whole-file replacement.
#pragma once

#include "platform/SystemError.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnvale::platform {

enum class ReadResult { Ok, NotFound, Failed };

// Reads the whole file into bytes. NotFound when the file does not exist; Failed for any other error.
ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, SystemError* error = nullptr);

// Replaces path with bytes so that a reader, a crash or a full disk never sees a partial file: the bytes go to a
// temporary file beside path, are flushed to disk, and only then is the temporary file renamed over path.
bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes, SystemError* error = nullptr);

// Deletes a file. False when it is absent or cannot be deleted.
bool RemoveFile(const std::string& path);

} // namespace tarnvale::platform
