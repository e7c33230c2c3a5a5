// The skinned dialog's shape: the frame's magenta pixels made see-through, by a layered window's colour key where
// the system has one and else by a window region cut from the frame, and taken off again.
#include "skin/win/SkinDialog.h"

#include "skin/win/FrameShape.h"
#include "skin/win/LayeredWindowSeam.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WinGeometry.h"
#include "skin/win/WindowStyle.h"

#include <span>
#include <vector>

namespace tarnvale {

FrameMetrics SkinFrameMetrics(const LoadedSkin& skin) {
    return {skin.Element(kElementFrameLeft).frame.width, skin.Element(kElementFrameRight).frame.width,
            skin.Element(kElementCaption).frame.height, skin.Element(kElementFrameBottom).frame.height};
}

void SkinDialog::RemoveShape() {
    if (addedLayered_) {
        const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
        SetWindowLongPtrA(window_, GWL_EXSTYLE, LONG_PTR(exStyle & ~DWORD(WS_EX_LAYERED)));
        addedLayered_ = false;
    }
    if (setRegion_) {
        SetWindowRgn(window_, nullptr, FALSE);
        setRegion_ = false;
    }
}

void SkinDialog::ApplyShape(HDC hdc, const RECT& windowRect) {
    if (!shapePending_)
        return;
    shapePending_ = false;
    if (const SetLayeredWindowAttributesFunction setLayered = FindSetLayeredWindowAttributes()) {
        const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
        if (!(exStyle & WS_EX_LAYERED)) {
            SetWindowLongPtrA(window_, GWL_EXSTYLE, LONG_PTR(exStyle | WS_EX_LAYERED));
            addedLayered_ = true;
        }
        setLayered(window_, kMagenta, 0, LWA_COLORKEY);
        return;
    }
    UniqueRegion region(owner_.Settings().useTransparency != 0 ? CutFrameRegion(hdc, windowRect, Metrics()) : nullptr);
    if (!region && !setRegion_)
        return;
    // A skin without transparency takes off the region an earlier skin cut.
    setRegion_ = static_cast<bool>(region);
    SetWindowRgn(window_, region.release(), TRUE);
}

HRGN CutFrameRegion(HDC hdc, const RECT& windowRect, const FrameMetrics& frame) {
    const int width = RectWidth(windowRect), height = RectHeight(windowRect);
    if (width <= 0 || height <= 0)
        return nullptr;

    // The frame read once, into memory whose pixels can be looked at directly.
    void* bits = nullptr;
    UniqueBitmap copy(CreateDib(width, height, 32, true, &bits));
    MemoryDC reader(hdc);
    if (!copy || !reader)
        return nullptr;
    {
        ScopedSelect select(reader.get(), copy.get());
        BitBlt(reader.get(), 0, 0, width, height, hdc, 0, 0, SRCCOPY);
    }
    GdiFlush();
    const std::span<const std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits),
                                                std::size_t(width) * std::size_t(height));
    const std::vector<PixelRun> runs =
        SeeThroughRuns(pixels, width, height, FrameClientRect(width, height, frame), kMagenta);

    UniqueRegion region(CreateRectRgn(0, 0, width, height));
    if (runs.empty() || !region)
        return region.release();
    // The runs come row by row and left to right, the order a region keeps its rectangles in, so they make one
    // region at once instead of one combination per run.
    std::vector<std::uint8_t> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(runs.size());
    header->rcBound = {0, 0, width, height};
    auto* rects = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
    for (std::size_t i = 0; i < runs.size(); ++i)
        rects[i] = {runs[i].left, runs[i].y, runs[i].right, runs[i].y + 1};
    UniqueRegion seeThrough(
        ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), reinterpret_cast<const RGNDATA*>(data.data())));
    if (!seeThrough)
        return nullptr;
    CombineRgn(region.get(), region.get(), seeThrough.get(), RGN_DIFF);
    return region.release();
}

} // namespace tarnvale
