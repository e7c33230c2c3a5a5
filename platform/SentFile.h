// A program's file opened to be sent by the HTTP library, which reads it through a C runtime descriptor and closes
// it itself: opened once per response, so a file replaced meanwhile is sent whole as it was opened.
#pragma once

#include "platform/FileHandle.h"

#include <cstdint>
#include <string>

namespace tarnvale::platform {

struct SentFile {
    UniqueFile file;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0; // since 1970, UTC
    std::int64_t modifiedNanoseconds = 0;
};

// Opens path (in the system's code page on Windows) for sending, letting others write, rename and delete it
// meanwhile; only a regular file is taken, and without waiting, should the path have become a pipe that no one
// writes. An empty file, with reason saying why in a few words, when it cannot.
SentFile OpenForSending(const std::string& path, std::string& reason);

// The C runtime descriptor the HTTP library takes over, closing it when done; -1 (and the file closed) when the
// runtime refuses one.
int HandOverAsDescriptor(UniqueFile file);
// Closes a descriptor that was handed over but that the library never took.
void CloseDescriptor(int descriptor);

} // namespace tarnvale::platform
