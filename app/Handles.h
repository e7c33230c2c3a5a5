// Owners for the few Win32 resources the program holds: move-only, released exactly once.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

namespace tarnvale {

struct IconTraits {
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Release(Handle h) { DestroyIcon(h); }
};
using UniqueIcon = UniqueHandle<IconTraits>;

struct PidlTraits {
    using Handle = PIDLIST_ABSOLUTE;
    static Handle Empty() { return nullptr; }
    static void Release(Handle h) { CoTaskMemFree(h); }
};
using UniquePidl = UniqueHandle<PidlTraits>;

// COM for the calling thread for as long as the object lives (the folder chooser needs it).
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (ok_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ok_;
};

} // namespace tarnvale
