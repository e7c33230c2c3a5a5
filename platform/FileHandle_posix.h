// The POSIX side of an owned file, for the platform's POSIX sources only: the portable integer as a descriptor.
#pragma once

#include "platform/FileHandle.h"

namespace tarnvale::platform {

inline int Fd(const UniqueFile& file) {
    return static_cast<int>(file.get());
}

} // namespace tarnvale::platform
