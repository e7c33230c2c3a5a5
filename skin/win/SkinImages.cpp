// Skin images: element bitmaps as image lists of frames, and the nine-grid drawing every painter rests on.
#include "skin/win/SkinImages.h"

#include "skin/DpiScale.h"
#include "skin/NineGrid.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/LoadedSkin.h"

#include <cstring>

namespace tarnvale {
namespace {

constexpr UINT kLoadFlags = LR_LOADFROMFILE | LR_CREATEDIBSECTION;

// Image lists keep 24 bits per pixel, so frames come out exactly as the bitmaps hold them.
constexpr UINT kImageListColour = ILC_COLOR24;

// The frames of a loaded bitmap as an image list. Stacked frames are first laid side by side, since an image list
// takes its images from a row.
HIMAGELIST ImageListFromBitmap(HBITMAP bitmap, FrameSize frame, bool stacked, int growBy, COLORREF maskColour) {
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof(info), &info) || frame.width <= 0 || frame.height <= 0)
        return nullptr;
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    const int count = stacked ? height / frame.height : info.bmWidth / frame.width;
    if (count <= 0)
        return nullptr;

    UniqueBitmap row;
    if (stacked) {
        row.reset(CreateDib(count * frame.width, frame.height, 24, false, nullptr));
        MemoryDC source(nullptr), target(nullptr);
        if (!row || !source || !target)
            return nullptr;
        ScopedSelect selectSource(source.get(), bitmap);
        ScopedSelect selectTarget(target.get(), row.get());
        for (int i = 0; i < count; ++i)
            BitBlt(target.get(), i * frame.width, 0, frame.width, frame.height, source.get(), 0, i * frame.height,
                   SRCCOPY);
    }
    const bool masked = maskColour != CLR_NONE;
    UniqueImageList list(
        ImageList_Create(frame.width, frame.height, kImageListColour | (masked ? ILC_MASK : 0), count, growBy));
    if (!list)
        return nullptr;
    const HBITMAP frames = stacked ? row.get() : bitmap;
    const int added =
        masked ? ImageList_AddMasked(list.get(), frames, maskColour) : ImageList_Add(list.get(), frames, nullptr);
    return added < 0 ? nullptr : list.release();
}

} // namespace

HIMAGELIST ImageListFromVerticalStrip(HINSTANCE instance, const char* fileName, int frameHeight, int growBy,
                                      COLORREF maskColour, UINT imageType, UINT loadFlags) {
    UniqueBitmap bitmap(static_cast<HBITMAP>(LoadImageA(instance, fileName, imageType, 0, 0, loadFlags)));
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap.get(), sizeof(info), &info))
        return nullptr;
    return ImageListFromBitmap(bitmap.get(), {info.bmWidth, frameHeight}, true, growBy, maskColour);
}

RgbImage PixelsOf(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight == 0)
        return {};
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    RgbImage image(info.bmWidth, height);
    // Rows of 32-bit pixels, top row first: in memory each is 0x00RRGGBB, the picture's own form.
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = -height;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    WindowDC screen(nullptr);
    if (!screen ||
        GetDIBits(screen.get(), bitmap, 0, UINT(height), image.pixels.data(), &request, DIB_RGB_COLORS) != height)
        return {};
    for (std::uint32_t& pixel : image.pixels)
        pixel &= 0xFFFFFF;
    return image;
}

HBITMAP BitmapOf(const RgbImage& image) {
    void* bits = nullptr;
    HBITMAP bitmap = CreateDib(image.width, image.height, 32, true, &bits);
    if (bitmap)
        std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

namespace {

UniqueBitmap LoadBitmapFile(const std::string& path) {
    return UniqueBitmap(
        static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, kLoadFlags | LR_DEFAULTSIZE)));
}

// The element's frames resampled to their 96-DPI size times dpi/96, from the sharper art when it loads.
UniqueBitmap FramesAtDpi(int id, HBITMAP art, FrameSize artFrame, const std::string& highDpiPath, FrameSize target) {
    const ElementInfo& element = kElementTable[id];
    if (!highDpiPath.empty()) {
        UniqueBitmap sharp = LoadBitmapFile(highDpiPath);
        const RgbImage pixels = PixelsOf(sharp.get());
        const FrameSize sharpFrame = FrameSizeFor(id, pixels.width, pixels.height);
        const RgbImage scaled = ResampleFrames(pixels, sharpFrame, element.frames, element.strip, target);
        if (!scaled.pixels.empty())
            return UniqueBitmap(BitmapOf(scaled));
    }
    const RgbImage scaled = ResampleFrames(PixelsOf(art), artFrame, element.frames, element.strip, target);
    return UniqueBitmap(scaled.pixels.empty() ? nullptr : BitmapOf(scaled));
}

} // namespace

HIMAGELIST LoadElementImage(int id, const std::string& path, const std::string& highDpiPath, int dpi,
                            FrameSize& frame) {
    // One load serves both the measuring and the image list.
    UniqueBitmap bitmap = LoadBitmapFile(path);
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap.get(), sizeof(info), &info))
        return nullptr;
    frame = FrameSizeFor(id, info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight);
    const bool stacked = kElementTable[id].strip == StripLayout::Vertical;
    const FrameSize target{ScaleToDpi(frame.width, dpi), ScaleToDpi(frame.height, dpi)};
    if (target.width == frame.width && target.height == frame.height)
        return ImageListFromBitmap(bitmap.get(), frame, stacked, 0, kMagenta);
    // Prepared once here, so that painting at this DPI copies frames exactly as at 96 DPI.
    UniqueBitmap prepared = FramesAtDpi(id, bitmap.get(), frame, highDpiPath, target);
    if (!prepared)
        return nullptr;
    frame = target;
    return ImageListFromBitmap(prepared.get(), frame, stacked, 0, kMagenta);
}

MaskedImage ComposeNineGrid(HIMAGELIST image, int frame, FrameSize frameSize, Margins margins, int width, int height) {
    const int frameWidth = frameSize.width, frameHeight = frameSize.height;
    // The frame alone, its see-through pixels left magenta. Bitmaps of the image lists' own depth, so that what is
    // composed does not depend on the device it is drawn to and can be kept.
    MemoryDC source(nullptr), target(nullptr);
    UniqueBitmap sourceBits(CreateDib(frameWidth, frameHeight, 24, false, nullptr));
    MaskedImage composed;
    composed.colours.reset(CreateDib(width, height, 24, false, nullptr));
    composed.mask.reset(CreateBitmap(width, height, 1, 1, nullptr));
    if (!source || !target || !sourceBits || !composed)
        return {};
    composed.width = width;
    composed.height = height;
    ScopedSelect selectTarget(target.get(), composed.colours.get());
    {
        ScopedSelect selectSource(source.get(), sourceBits.get());
        LoadedSkin::FillSolid(source.get(), {0, 0, frameWidth, frameHeight}, kMagenta);
        if (frame >= 0)
            ImageList_Draw(image, frame, source.get(), 0, 0, ILD_NORMAL);

        // Whatever no part covers stays magenta, and so see-through. Shrinking copies whole source pixels rather
        // than and-ing neighbours together, which would turn magenta edges into visible colours.
        LoadedSkin::FillSolid(target.get(), {0, 0, width, height}, kMagenta);
        SetStretchBltMode(target.get(), COLORONCOLOR);
        for (const NineGridPart& part : NineGridParts(frameWidth, frameHeight, margins, width, height)) {
            const GridRect& d = part.destination;
            const GridRect& s = part.source;
            if (d.Empty() || s.Empty())
                continue;
            if (part.stretched)
                StretchBlt(target.get(), d.x, d.y, d.width, d.height, source.get(), s.x, s.y, s.width, s.height,
                           SRCCOPY);
            else
                BitBlt(target.get(), d.x, d.y, d.width, d.height, source.get(), s.x, s.y, SRCCOPY);
        }
    }
    // The mask: set where the colour is magenta (a copy to one bit sets the pixels of the source's background
    // colour). Then the colours black there, so that the drawing's second copy adds nothing to what shows through.
    ScopedSelect selectMask(source.get(), composed.mask.get());
    SetBkColor(target.get(), kMagenta);
    BitBlt(source.get(), 0, 0, width, height, target.get(), 0, 0, SRCCOPY);
    SetBkColor(target.get(), RGB(255, 255, 255));
    SetTextColor(target.get(), RGB(0, 0, 0));
    constexpr DWORD kAndNotSource = 0x00220326; // destination AND NOT source
    BitBlt(target.get(), 0, 0, width, height, source.get(), 0, 0, kAndNotSource);
    return composed;
}

void DrawMasked(HDC target, HDC source, const MaskedImage& image, int x, int y) {
    // A one-bit source reaches a colour target as the target's background colour where set and its text colour
    // where clear: white keeps the target's pixel under the and, black clears it for the image's colours.
    const COLORREF background = SetBkColor(target, RGB(255, 255, 255));
    const COLORREF text = SetTextColor(target, RGB(0, 0, 0));
    {
        ScopedSelect mask(source, image.mask.get());
        BitBlt(target, x, y, image.width, image.height, source, 0, 0, SRCAND);
    }
    {
        ScopedSelect colours(source, image.colours.get());
        BitBlt(target, x, y, image.width, image.height, source, 0, 0, SRCPAINT);
    }
    SetBkColor(target, background);
    SetTextColor(target, text);
}

} // namespace tarnvale
