// An owned open file of the system's: a descriptor on POSIX, a HANDLE on Windows, behind one integer type so that
// portable headers can hold one. The reader and the whole-file services share its opening for reading.
#pragma once

#include "platform/SystemError.h"
#include "platform/UniqueHandle.h"

#include <cstdint>
#include <string>

namespace tarnvale::platform {

using NativeFile = std::intptr_t;
// What both systems' opening calls return on failure: no descriptor, and INVALID_HANDLE_VALUE.
inline constexpr NativeFile kNoFile = -1;

struct FileTraits {
    using Handle = NativeFile;
    static constexpr Handle Empty() { return kNoFile; }
    static void Release(Handle file); // in the system's file source
};
using UniqueFile = UniqueHandle<FileTraits>;

// Opens path for reading, letting others read, write and delete it meanwhile. A folder is refused. An empty owner on
// failure, with error (when given) saying why.
UniqueFile OpenForReading(const std::string& path, SystemError* error = nullptr);

} // namespace tarnvale::platform
