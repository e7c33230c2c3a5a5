// An owned Win32 event, for the platform's Windows sources only.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

namespace tarnvale::platform {

struct EventTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Release(Handle event) { CloseHandle(event); }
};
using UniqueEvent = UniqueHandle<EventTraits>;

} // namespace tarnvale::platform
