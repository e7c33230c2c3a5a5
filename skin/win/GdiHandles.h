// Owners of GDI and image-list handles, and scoped changes to a device context that are undone on leaving scope.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <commctrl.h>

namespace tarnvale {

// A GDI object (bitmap, region, font, brush), deleted with DeleteObject.
template <typename ObjectHandle>
struct GdiObjectTraits {
    using Handle = ObjectHandle;
    static Handle Empty() { return nullptr; }
    static void Release(Handle object) { DeleteObject(object); }
};
template <typename Handle>
using GdiObject = UniqueHandle<GdiObjectTraits<Handle>>;

using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueRegion = GdiObject<HRGN>;
using UniqueFont = GdiObject<HFONT>;
using UniqueBrush = GdiObject<HBRUSH>;

struct ImageListTraits {
    using Handle = HIMAGELIST;
    static Handle Empty() { return nullptr; }
    static void Release(Handle list) { ImageList_Destroy(list); }
};
using UniqueImageList = UniqueHandle<ImageListTraits>;

struct MemoryDCTraits {
    using Handle = HDC;
    static Handle Empty() { return nullptr; }
    static void Release(Handle dc) { DeleteDC(dc); }
};

// A device-independent bitmap of width x height at 24 or 32 bits per pixel, stored top-down when topDown; its
// pixels are at *pixels. Null on failure.
inline HBITMAP CreateDib(int width, int height, WORD bitsPerPixel, bool topDown, void** pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    void* ignored = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels ? pixels : &ignored, nullptr, 0);
}

// A memory device context compatible with another one (or with the screen), deleted with DeleteDC.
class MemoryDC : public UniqueHandle<MemoryDCTraits> {
public:
    explicit MemoryDC(HDC compatibleWith) : UniqueHandle(CreateCompatibleDC(compatibleWith)) {}
};

// The device context of a whole window (non-client area included) or, with a null window, of the screen. Released
// with the window it came from, so it is a pair rather than one handle.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
    ~WindowDC() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context for the length of a scope.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves a device context's whole state (clip region, colours, modes) and restores it on leaving scope.
class ScopedDCState {
public:
    explicit ScopedDCState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~ScopedDCState() {
        if (saved_)
            RestoreDC(dc_, saved_);
    }
    ScopedDCState(const ScopedDCState&) = delete;
    ScopedDCState& operator=(const ScopedDCState&) = delete;

private:
    HDC dc_;
    int saved_;
};

} // namespace tarnvale
