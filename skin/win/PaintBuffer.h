// The off-screen image that skinned windows compose their paints in, kept from one paint to the next: making a
// bitmap and a device context for every paint of every control costs more than the paint itself.
#pragma once

#include "skin/win/GdiHandles.h"

#include <windows.h>

#include <optional>

namespace tarnvale {

class PaintBuffer {
public:
    PaintBuffer() = default;
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

    // A device context with a bitmap of at least width x height compatible with compatibleWith selected, for the
    // length of a scope; its pixels are whatever was there before, and its state is as new. The kept image serves
    // one lease at a time: a paint within a paint (a message the painter sends may repaint another window) gets an
    // image of its own.
    class Lease {
    public:
        Lease(PaintBuffer& buffer, HDC compatibleWith, int width, int height);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        // Null when no image could be made.
        HDC dc() const { return dc_; }

    private:
        PaintBuffer* kept_ = nullptr; // the buffer whose kept image this lease holds; null for an own image
        HDC dc_ = nullptr;
        int savedState_ = 0;
        std::optional<MemoryDC> ownDC_;
        UniqueBitmap ownBitmap_;
        std::optional<ScopedSelect> ownSelect_;
    };

    // Lets the kept image go, unless it is lent now; it is made again at the next paint.
    void Free();

private:
    bool Grow(HDC compatibleWith, int width, int height);

    std::optional<MemoryDC> dc_;
    UniqueBitmap bitmap_;
    std::optional<ScopedSelect> select_;
    SIZE size_{};
    bool leased_ = false;
};

} // namespace tarnvale
