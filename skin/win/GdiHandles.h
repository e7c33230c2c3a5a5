// Owners of GDI and image-list handles, and scoped changes to a device context that are undone on leaving scope.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <utility>

namespace tarnvale {

// An owned GDI object (bitmap, region, font, brush), deleted with DeleteObject.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        reset(other.release());
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset(Handle handle = nullptr) {
        if (handle_)
            DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueRegion = GdiObject<HRGN>;
using UniqueFont = GdiObject<HFONT>;

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
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// The device context of a whole window (non-client area included) or, with a null window, of the screen.
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

// An owned image list, destroyed with ImageList_Destroy.
class UniqueImageList {
public:
    UniqueImageList() = default;
    explicit UniqueImageList(HIMAGELIST list) : list_(list) {}
    ~UniqueImageList() { reset(); }
    UniqueImageList(UniqueImageList&& other) noexcept : list_(other.release()) {}
    UniqueImageList& operator=(UniqueImageList&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueImageList(const UniqueImageList&) = delete;
    UniqueImageList& operator=(const UniqueImageList&) = delete;

    HIMAGELIST get() const { return list_; }
    explicit operator bool() const { return list_ != nullptr; }
    HIMAGELIST release() { return std::exchange(list_, nullptr); }
    void reset(HIMAGELIST list = nullptr) {
        if (list_)
            ImageList_Destroy(list_);
        list_ = list;
    }

private:
    HIMAGELIST list_ = nullptr;
};

} // namespace tarnvale
