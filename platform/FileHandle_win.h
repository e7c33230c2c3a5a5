// The Windows side of an owned file, for the platform's Windows sources only: the portable integer as a HANDLE.
#pragma once

#include "platform/FileHandle.h"

#include <windows.h>

namespace tarnvale::platform {

inline HANDLE AsHandle(const UniqueFile& file) {
    return reinterpret_cast<HANDLE>(file.get());
}

inline UniqueFile OwnFile(HANDLE file) {
    return UniqueFile(reinterpret_cast<NativeFile>(file));
}

} // namespace tarnvale::platform
