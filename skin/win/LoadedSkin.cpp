// The loaded skin: reading the skin file, the element images, and the drawing from them with its caches.
#include "skin/win/LoadedSkin.h"

#include "platform/File.h"
#include "skin/DpiScale.h"
#include "skin/win/SkinImages.h"
#include "skin/win/WindowDpi.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

namespace tarnvale {

void LoadedSkin::Read(const char* path) {
    FreeImages();
    skinPath_ = path ? path : "";
    const DWORD attributes = skinPath_.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(skinPath_.c_str());
    std::vector<std::uint8_t> bytes;
    bool readable = false;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        skinPath_ = ResolveSkinPath(skinPath_, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        readable = platform::ReadWholeFile(skinPath_, bytes) == platform::ReadResult::Ok;
    }
    if (!readable) {
        // Nothing to read (no skin there, or one the system will not let us read): every element reads its
        // defaults and has no image; the global settings stay.
        profile_ = IniProfile();
    } else {
        profile_ = IniProfile::Parse(bytes);
        LoadElements();
        fileSettings_ =
            ReadGlobalSettings(profile_, GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_INACTIVECAPTIONTEXT));
        settings_ = ScaleToDpi(fileSettings_, dpi_);
    }
}

bool LoadedSkin::SetDpi(int dpi) {
    if (dpi <= 0)
        dpi = kBaseDpi;
    if (dpi == dpi_)
        return false;
    dpi_ = dpi;
    FreeImages();
    LoadElements();
    settings_ = ScaleToDpi(fileSettings_, dpi_);
    return true;
}

int LoadedSkin::Metric(int index) const {
    return SystemMetricAtDpi(index, dpi_);
}

void LoadedSkin::LoadElements() {
    for (int id = 0; id < kElementCount; ++id) {
        elements_[id].frame = {};
        elements_[id].offsetX = elements_[id].offsetY = 0;
        elements_[id].anchorTopRight = false;
        LoadElement(id);
    }
}

HIMAGELIST LoadedSkin::LoadElement(int id) {
    if (!IsElementId(id))
        return nullptr;
    if (images_[id])
        return images_[id].get();
    SkinElement& element = elements_[id];
    const std::string imageFile = ReadElementSection(profile_, id, element);
    ScaleSectionToDpi(element, dpi_);
    if (imageFile.empty())
        return nullptr;
    const std::optional<std::string> path = ImagePath(skinPath_, imageFile);
    if (!path)
        return nullptr;
    // Sharper art is only worth its load where the 96-DPI art would be enlarged.
    const std::string highDpiFile = dpi_ > kBaseDpi ? ReadHighDpiImageFile(profile_, id) : std::string();
    const std::optional<std::string> highDpiPath =
        highDpiFile.empty() ? std::nullopt : ImagePath(skinPath_, highDpiFile);
    images_[id].reset(LoadElementImage(id, *path, highDpiPath.value_or(""), dpi_, element.frame));
    return images_[id].get();
}

bool LoadedSkin::HasElementImage(int id) const {
    return IsElementId(id) && images_[id];
}

bool LoadedSkin::DrawSized(HDC hdc, int id, int frame, const RECT& rect) {
    if (IsRectEmpty(&rect))
        return false;
    const HIMAGELIST image = LoadElement(id);
    if (!image)
        return false;
    const MaskedImage* sized = SizedFrameImage(id, image, frame, rect.right - rect.left, rect.bottom - rect.top);
    if (sized && copySource_)
        DrawMasked(hdc, copySource_.get(), *sized, rect.left, rect.top);
    return true;
}

const MaskedImage* LoadedSkin::SizedFrameImage(int id, HIMAGELIST image, int frame, int width, int height) {
    const auto kept = std::find_if(sizedFrames_.begin(), sizedFrames_.end(), [&](const SizedFrame& s) {
        return s.id == id && s.frame == frame && s.width == width && s.height == height;
    });
    if (kept != sizedFrames_.end()) {
        std::rotate(sizedFrames_.begin(), kept, kept + 1);
        return &sizedFrames_.front().image;
    }
    const SkinElement& element = elements_[id];
    MaskedImage composed = ComposeNineGrid(image, frame, element.frame, element.margins, width, height);
    if (!composed)
        return nullptr;
    // Every state of every part a window of the program shows: its frame, caption buttons, push buttons, bars.
    constexpr std::size_t kKept = 96;
    if (sizedFrames_.size() == kKept)
        sizedFrames_.pop_back();
    sizedFrames_.insert(sizedFrames_.begin(), {id, frame, width, height, std::move(composed)});
    return &sizedFrames_.front().image;
}

bool LoadedSkin::DrawFrame(HDC hdc, int id, int frame, const RECT& rect, UINT drawStyle) {
    if (IsRectEmpty(&rect))
        return false;
    const HIMAGELIST image = LoadElement(id);
    if (!image)
        return false;
    // Frames outside the strip draw nothing; a negative index would make the image list read before its start.
    if (frame < 0)
        return true;
    if (drawStyle == ILD_TRANSPARENT) {
        // The frame laid into its own size is the frame itself, and drawn from the kept image at a fraction of the
        // cost.
        const SkinElement& element = elements_[id];
        return DrawSized(hdc, id, frame,
                         {rect.left, rect.top, rect.left + element.frame.width, rect.top + element.frame.height});
    }
    ImageList_Draw(image, frame, hdc, rect.left, rect.top, drawStyle);
    return true;
}

bool LoadedSkin::DrawTiled(HDC hdc, int id, SIZE plane, const RECT& part, POINT to) {
    RECT inside;
    const RECT whole{0, 0, plane.cx, plane.cy};
    if (!IntersectRect(&inside, &part, &whole))
        return HasElementImage(id);
    const HBITMAP tiles = TiledPlane(id, plane);
    if (!tiles)
        return false;
    if (!copySource_)
        return false;
    ScopedSelect select(copySource_.get(), tiles);
    BitBlt(hdc, to.x + inside.left - part.left, to.y + inside.top - part.top, inside.right - inside.left,
           inside.bottom - inside.top, copySource_.get(), inside.left, inside.top, SRCCOPY);
    return true;
}

HBITMAP LoadedSkin::TiledPlane(int id, SIZE plane) {
    const auto kept = std::find_if(tiledPlanes_.begin(), tiledPlanes_.end(), [&](const TiledPlaneImage& t) {
        return t.id == id && t.width == plane.cx && t.height == plane.cy;
    });
    if (kept != tiledPlanes_.end()) {
        std::rotate(tiledPlanes_.begin(), kept, kept + 1);
        return tiledPlanes_.front().bitmap.get();
    }
    const SkinElement& element = elements_[id];
    const int tileWidth = element.frame.width, tileHeight = element.frame.height;
    if (!LoadElement(id) || tileWidth <= 0 || tileHeight <= 0 || plane.cx <= 0 || plane.cy <= 0)
        return nullptr;
    WindowDC screen(nullptr);
    MemoryDC canvas(screen.get());
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), plane.cx, plane.cy));
    if (!canvas || !bitmap)
        return nullptr;
    {
        ScopedSelect select(canvas.get(), bitmap.get());
        for (LONG y = 0; y < plane.cy; y += tileHeight) {
            for (LONG x = 0; x < plane.cx; x += tileWidth)
                DrawFrame(canvas.get(), id, 0, {x, y, x + tileWidth, y + tileHeight}, ILD_NORMAL);
        }
    }
    // A dialog or two, each at a size or two while it is resized.
    constexpr std::size_t kKept = 4;
    if (tiledPlanes_.size() == kKept)
        tiledPlanes_.pop_back();
    tiledPlanes_.insert(tiledPlanes_.begin(), {id, plane.cx, plane.cy, std::move(bitmap)});
    return tiledPlanes_.front().bitmap.get();
}

void LoadedSkin::FillSolid(HDC hdc, const RECT& rect, COLORREF colour) {
    SetBkColor(hdc, colour);
    ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void LoadedSkin::FreeImages() {
    offScreen_.Free();
    sizedFrames_.clear();
    tiledPlanes_.clear();
    for (UniqueImageList& image : images_)
        image.reset();
}

const SkinElement& LoadedSkin::Element(int id) const {
    static const SkinElement kNone;
    return IsElementId(id) ? elements_[id] : kNone;
}

} // namespace tarnvale
