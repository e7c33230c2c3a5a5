// Owners for the few Win32 resources the program holds: move-only, released exactly once.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <utility>

namespace tarnvale {

// Owns one handle; Traits says what an empty handle is and how to release one.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Empty(); }
    Handle release() { return std::exchange(handle_, Traits::Empty()); }
    void reset(Handle handle = Traits::Empty()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::Empty())
            Traits::Release(old);
    }

private:
    Handle handle_ = Traits::Empty();
};

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
