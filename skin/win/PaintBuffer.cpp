// The kept off-screen image: grown to the largest paint asked of it, lent to one paint at a time.
#include "skin/win/PaintBuffer.h"

#include <algorithm>

namespace tarnvale {

PaintBuffer::Lease::Lease(PaintBuffer& buffer, HDC compatibleWith, int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    if (!buffer.leased_ && buffer.Grow(compatibleWith, width, height)) {
        kept_ = &buffer;
        buffer.leased_ = true;
        dc_ = buffer.dc_->get();
        // Whatever the last painter set (viewport origin, clipping, colours, objects) is undone when it is returned.
        savedState_ = SaveDC(dc_);
        return;
    }
    ownDC_.emplace(compatibleWith);
    ownBitmap_.reset(CreateCompatibleBitmap(compatibleWith, width, height));
    if (!*ownDC_ || !ownBitmap_)
        return;
    ownSelect_.emplace(ownDC_->get(), ownBitmap_.get());
    dc_ = ownDC_->get();
}

PaintBuffer::Lease::~Lease() {
    if (!kept_)
        return;
    if (savedState_)
        RestoreDC(dc_, savedState_);
    kept_->leased_ = false;
}

bool PaintBuffer::Grow(HDC compatibleWith, int width, int height) {
    if (dc_ && bitmap_ && size_.cx >= width && size_.cy >= height)
        return true;
    const SIZE wanted{std::max<LONG>(size_.cx, width), std::max<LONG>(size_.cy, height)};
    Free();
    dc_.emplace(compatibleWith);
    bitmap_.reset(CreateCompatibleBitmap(compatibleWith, wanted.cx, wanted.cy));
    if (!*dc_ || !bitmap_) {
        Free();
        return false;
    }
    select_.emplace(dc_->get(), bitmap_.get());
    size_ = wanted;
    return true;
}

void PaintBuffer::Free() {
    if (leased_)
        return;
    select_.reset();
    bitmap_.reset();
    dc_.reset();
    size_ = {};
}

} // namespace tarnvale
