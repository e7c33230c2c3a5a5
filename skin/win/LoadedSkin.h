// The skin as loaded: its file, global settings, element sections and their images, and the drawing every painter
// does from them (frames by the nine-grid rule, frames at their own size, tiled planes), with the caches that make
// repeated paints at one size cheap.
#pragma once

#include "skin/DpiScale.h"
#include "skin/IniProfile.h"
#include "skin/SkinElement.h"
#include "skin/SkinFile.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/PaintBuffer.h"
#include "skin/win/SkinImages.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <string>
#include <vector>

namespace tarnvale {

class LoadedSkin {
public:
    LoadedSkin() = default;
    LoadedSkin(const LoadedSkin&) = delete;
    LoadedSkin& operator=(const LoadedSkin&) = delete;

    // Frees the images and reads the skin at path (a skin file, or a directory holding "skin.ini"). A path that
    // does not exist, or a skin file that cannot be read, leaves no element with an image and the global settings
    // as they were.
    void Read(const char* path);

    // Prepares the skin for windows shown at dpi: every fixed size of the skin file times dpi/96 and each element's
    // image resampled to it once, here, rather than stretched at every paint. True when the DPI changed; the caller
    // then tells the skinned windows.
    bool SetDpi(int dpi);
    int Dpi() const { return dpi_; }
    // A system metric (SM_CXVSCROLL and the like) at the skin's DPI: the windows the skin draws are shown at that DPI,
    // which after a move to another screen is no longer the one the system's own metrics are for.
    int Metric(int index) const;

    // The element's image, loaded on first request; while it has none, each request reads the element's
    // section again and retries its image.
    HIMAGELIST LoadElement(int id);
    bool HasElementImage(int id) const;
    // Draws a frame into rect by the nine-grid rule: corners at their size, edges and centre stretched, magenta
    // see-through. False (nothing drawn) for an empty rectangle or an element without an image.
    bool DrawSized(HDC hdc, int id, int frame, const RECT& rect);
    // Draws a frame at its own size at rect's top-left corner; drawStyle ILD_NORMAL or ILD_TRANSPARENT (magenta
    // see-through).
    bool DrawFrame(HDC hdc, int id, int frame, const RECT& rect, UINT drawStyle);
    // Copies part of a plane of width x height covered with frame 0 of the element in tiles from its origin (the
    // dialog background, laid from the client area's corner) to the point to of hdc; what of part lies outside
    // the plane is left alone. False without the image.
    bool DrawTiled(HDC hdc, int id, SIZE plane, const RECT& part, POINT to);
    // Fills rect with colour; the DC keeps it as its background colour.
    static void FillSolid(HDC hdc, const RECT& rect, COLORREF colour);
    void FreeImages();

    const SkinElement& Element(int id) const;
    // The global settings at the skin's DPI.
    const GlobalSettings& Settings() const { return settings_; }
    // The skin file actually read, after the directory rule.
    const std::string& SkinPath() const { return skinPath_; }
    // The off-screen image the skinned windows compose their paints in.
    PaintBuffer& OffScreen() { return offScreen_; }

private:
    // The frame of an element laid into a size by the nine-grid rule, see-through where it is magenta or nothing
    // covers it. Kept for the next request of the same size, since windows repaint at one size many times.
    const MaskedImage* SizedFrameImage(int id, HIMAGELIST image, int frame, int width, int height);
    struct SizedFrame {
        int id, frame, width, height;
        MaskedImage image;
    };
    std::vector<SizedFrame> sizedFrames_; // the most recently drawn first

    // The tiled plane of DrawTiled, made once per size: every repaint of a dialog's background and of each control's
    // piece of it is then one copy instead of a draw per tile.
    HBITMAP TiledPlane(int id, SIZE plane);
    struct TiledPlaneImage {
        int id, width, height;
        UniqueBitmap bitmap;
    };
    std::vector<TiledPlaneImage> tiledPlanes_; // the most recently drawn first
    // What the planes and sized frames are copied from, kept: making a device context costs more than the copy.
    MemoryDC copySource_{nullptr};
    PaintBuffer offScreen_;

    // Every element's image again, for a skin just read or a new DPI.
    void LoadElements();

    std::string skinPath_;
    int dpi_ = kBaseDpi;
    GlobalSettings fileSettings_; // as the skin file gives them, at 96 DPI
    GlobalSettings settings_;
    IniProfile profile_;
    std::array<SkinElement, kElementCount> elements_{};
    std::array<UniqueImageList, kElementCount> images_;
};

} // namespace tarnvale
