// tarnvale-skinsheet: draws every frame of every element of a skin, at its own size and stretched to a few
// sizes, together with a window and controls composed from the skin, into one BMP sheet to look at.
#include "platform/File.h"
#include "skin/RgbImage.h"
#include "skin/win/DibCanvas.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinPainters.h"
#include "skin/win/WinGeometry.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

constexpr int kSheetWidth = 1100;
constexpr int kPad = 12;
constexpr std::uint32_t kSheetBackRgb = 0xFAFAFA;
constexpr COLORREF kLabel = RGB(0x30, 0x30, 0x30);

// The sheet's picture, with the font and background its labels are drawn with.
class Sheet {
public:
    Sheet(int width, int height) : canvas_(width, height, kSheetBackRgb) {
        if (!canvas_.Valid())
            return;
        font_.emplace(canvas_.dc(), GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(canvas_.dc(), TRANSPARENT);
    }
    bool Valid() const { return canvas_.Valid(); }
    HDC dc() const { return canvas_.dc(); }
    RgbImage Image() const { return canvas_.Snapshot(); }

private:
    DibCanvas canvas_;
    std::optional<ScopedSelect> font_;
};

void Label(HDC dc, int x, int y, const std::string& text, COLORREF colour = kLabel) {
    SetTextColor(dc, colour);
    TextOutA(dc, x, y, text.c_str(), int(text.size()));
}

// A checkerboard, so that see-through pixels show as such.
void Checker(HDC dc, const RECT& r) {
    for (int y = r.top; y < r.bottom; y += 8) {
        for (int x = r.left; x < r.right; x += 8) {
            const bool dark = ((x - r.left) / 8 + (y - r.top) / 8) % 2;
            LoadedSkin::FillSolid(dc, {x, y, std::min(x + 8, int(r.right)), std::min(y + 8, int(r.bottom))},
                                  dark ? RGB(0xE2, 0xD8, 0xCE) : RGB(0xF4, 0xEF, 0xEA));
        }
    }
}

void TileBackground(HDC dc, LoadedSkin& skin, const RECT& r) {
    const SkinElement& tile = skin.Element(kElementDialog);
    if (!skin.HasElementImage(kElementDialog) || tile.frame.width <= 0 || tile.frame.height <= 0) {
        LoadedSkin::FillSolid(dc, r, GetSysColor(COLOR_BTNFACE));
        return;
    }
    ScopedDCState state(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    for (LONG y = r.top; y < r.bottom; y += tile.frame.height)
        for (LONG x = r.left; x < r.right; x += tile.frame.width)
            skin.DrawFrame(dc, kElementDialog, 0, {x, y, x + tile.frame.width, y + tile.frame.height}, ILD_NORMAL);
}

void Text(HDC dc, const std::string& text, RECT r, COLORREF colour, UINT format) {
    SetTextColor(dc, colour == kNoColour ? kLabel : colour);
    DrawTextA(dc, text.c_str(), int(text.size()), &r, format | DT_SINGLELINE | DT_NOPREFIX);
}

// A skinned scroll bar in one of four looks (normal, disabled, thumb pressed, first arrow hot), laid out and
// painted by the engine's own bar painter, with the thumb a third of the track long, a quarter of the way down.
void ScrollBar(HDC dc, LoadedSkin& skin, RECT bar, bool vertical, int state) {
    BarFacts facts;
    facts.bar = FromRECT(bar);
    facts.vertical = vertical;
    facts.arrowLength = GetSystemMetrics(SM_CXHSCROLL);
    const int length = vertical ? bar.bottom - bar.top : bar.right - bar.left;
    const int arrow = std::min(facts.arrowLength, length / 2);
    facts.thumb.start = arrow + (length - 2 * arrow) / 4;
    facts.thumb.end = facts.thumb.start + (length - 2 * arrow) / 3;
    facts.windowEnabled = state != 1;
    const BarLayout layout = ComputeBarLayout(facts);
    BarLook look;
    if (state == 2) {
        look.pressed = true;
        look.pressedPart = PartThumb;
        look.hover = {layout.thumb.left + layout.thumb.Width() / 2, layout.thumb.top + layout.thumb.Height() / 2};
    } else if (state == 3) {
        look.hover = {layout.firstArrow.left + layout.firstArrow.Width() / 2,
                      layout.firstArrow.top + layout.firstArrow.Height() / 2};
    }
    PaintScrollBar(dc, skin, layout, vertical, look);
}

// A window in the skin's frame, painted by the engine's frame painters, with controls on it when withControls.
void Window(HDC dc, LoadedSkin& skin, RECT r, bool active, const char* title, bool withControls) {
    const FrameMetrics frame{skin.Element(kElementFrameLeft).frame.width, skin.Element(kElementFrameRight).frame.width,
                             skin.Element(kElementCaption).frame.height,
                             skin.Element(kElementFrameBottom).frame.height};
    const int width = r.right - r.left, height = r.bottom - r.top;
    RECT client = ToRECT(FrameClientRect(width, height, frame));
    OffsetRect(&client, r.left, r.top);
    TileBackground(dc, skin, client);
    RECT caption = ToRECT(CaptionRect(width, frame));
    OffsetRect(&caption, r.left, r.top);
    const UniqueFont font = MakeCaptionFont(skin.Settings().captionFont);
    CaptionLook look;
    look.active = active;
    look.title = title;
    look.font = font.get();
    look.closeButton = look.minimiseButton = look.maximiseButton = true;
    PaintCaption(dc, skin, caption, look);
    PaintFrameSides(dc, skin, r, frame, active);
    if (!withControls)
        return;

    // Controls, as the painters will place them.
    const int x = client.left + 14, y = client.top + 14;
    const COLORREF text = skin.Element(kElementSysMetrics).textColor;
    Text(dc, "Programs on this server:", {x, y, x + 300, y + 16}, text, DT_LEFT);
    const char* pushLabels[] = {"Add...", "Edit...", "Delete", "Disabled"};
    for (int i = 0; i < 4; ++i) {
        const RECT b{x + i * 86, y + 22, x + i * 86 + 80, y + 22 + 25};
        skin.DrawSized(dc, kElementPushButton, i == 3 ? 3 : i == 1 ? 2 : i == 2 ? 1 : 0, b);
        Text(dc, pushLabels[i], b, i == 3 ? RGB(0xA0, 0xA8, 0xB2) : skin.Element(kElementPushButton).textColor,
             DT_CENTER | DT_VCENTER);
    }
    // A group box holding check boxes and radio buttons.
    const RECT group{x, y + 60, x + 340, y + 168};
    skin.DrawSized(dc, kElementGroupBox, 0, {group.left, group.top + 7, group.right, group.bottom});
    LoadedSkin::FillSolid(dc, {group.left + 8, group.top, group.left + 70, group.top + 15}, RGB(0xEE, 0xF1, 0xF5));
    Text(dc, "Options", {group.left + 10, group.top, group.left + 80, group.top + 15},
         skin.Element(kElementGroupBox).textColor, DT_LEFT);
    const char* boxLabels[] = {"Normal", "Pressed", "Hot", "Disabled"};
    for (int state = 0; state < 8; ++state) {
        const int bx = group.left + 12 + (state % 4) * 80, by = group.top + 22 + (state / 4) * 20;
        skin.DrawFrame(dc, kElementCheckBox, state, {bx, by, bx + 1, by + 1}, ILD_TRANSPARENT);
        Text(dc, boxLabels[state % 4], {bx + 17, by - 1, bx + 78, by + 15}, skin.Element(kElementCheckBox).textColor,
             DT_LEFT | DT_VCENTER);
        skin.DrawFrame(dc, kElementRadioButton, state, {bx, by + 42, bx + 1, by + 43}, ILD_TRANSPARENT);
        Text(dc, boxLabels[state % 4], {bx + 17, by + 41, bx + 78, by + 57},
             skin.Element(kElementRadioButton).textColor, DT_LEFT | DT_VCENTER);
    }
    // Combo boxes: a white field with the skin's border and the drop-down button, in each state.
    for (int state = 0; state < 4; ++state) {
        const RECT combo{x + 360, y + 22 + state * 28, x + 520, y + 22 + state * 28 + 22};
        LoadedSkin::FillSolid(dc, combo, state == 3 ? RGB(0xF4, 0xF6, 0xF8) : RGB(0xFF, 0xFF, 0xFF));
        const COLORREF border = skin.Element(kElementComboBox).borderColor;
        const UniqueBrush brush(CreateSolidBrush(border));
        FrameRect(dc, &combo, brush.get());
        skin.DrawSized(dc, kElementComboBox,
                       state == 0   ? 0
                       : state == 1 ? 1
                       : state == 2 ? 2
                                    : 3,
                       {combo.right - 2 - 17, combo.top + 2, combo.right - 2, combo.bottom - 2});
        Text(dc, state == 3 ? "Disabled" : "MPEG2", {combo.left + 5, combo.top, combo.right, combo.bottom},
             state == 3 ? RGB(0xA0, 0xA8, 0xB2) : text, DT_LEFT | DT_VCENTER);
    }
    // A list view: header items over white rows, with both scroll bars.
    const RECT list{x + 360, y + 140, client.right - 14, client.bottom - 14};
    LoadedSkin::FillSolid(dc, list, RGB(0xFF, 0xFF, 0xFF));
    const char* columns[] = {"Program file", "PID", "Type", "Size"};
    const int widths[] = {150, 50, 60};
    int hx = list.left + 1;
    for (int i = 0; i < 4; ++i) {
        const int right = i < 3 ? hx + widths[i] : list.right - 18;
        const RECT item{hx, list.top + 1, right, list.top + 23};
        skin.DrawSized(dc, kElementHeader, i == 1 ? 1 : i == 2 ? 3 : 0, item);
        Text(dc, columns[i], {item.left + 5, item.top, item.right - 2, item.bottom}, text, DT_LEFT | DT_VCENTER);
        hx = right;
    }
    for (int row = 0; row < 4; ++row) {
        const int ry = list.top + 26 + row * 18;
        if (row == 1)
            LoadedSkin::FillSolid(dc, {list.left + 1, ry, list.right - 18, ry + 18}, RGB(0xDC, 0xE8, 0xF7));
        Text(dc, "C:\\Media\\Program " + std::to_string(row + 1) + ".mpg",
             {list.left + 6, ry, list.left + 150, ry + 18}, text, DT_LEFT | DT_VCENTER);
    }
    ScrollBar(dc, skin, {list.right - 18, list.top + 1, list.right - 1, list.bottom - 18}, true, 0);
    ScrollBar(dc, skin, {list.left + 1, list.bottom - 18, list.right - 18, list.bottom - 1}, false, 3);
    const UniqueBrush brush(CreateSolidBrush(skin.Element(kElementListView).borderColor));
    FrameRect(dc, &list, brush.get());
    // Stand-alone bars in each state: normal, disabled, thumb pressed, hot.
    for (int state = 0; state < 4; ++state)
        ScrollBar(dc, skin, {x + 14 + state * 26, y + 180, x + 31 + state * 26, y + 300}, true, state);
    for (int state = 0; state < 4; ++state)
        ScrollBar(dc, skin, {x + 130, y + 180 + state * 28, x + 330, y + 197 + state * 28}, false, state);
}

std::string Describe(const SkinElement& e, int frames) {
    return std::to_string(frames) + " frames of " + std::to_string(e.frame.width) + " x " +
           std::to_string(e.frame.height) + ", margins " + std::to_string(e.margins.left) + "," +
           std::to_string(e.margins.top) + "," + std::to_string(e.margins.right) + "," +
           std::to_string(e.margins.bottom);
}

// One band per element: every frame at its own size (DrawFrame), then frame 0 at several sizes (DrawSized).
int ElementBand(HDC dc, LoadedSkin& skin, int id, int y, bool draw) {
    const SkinElement& e = skin.Element(id);
    const int frames = kElementTable[id].frames;
    if (draw)
        Label(dc, kPad, y, std::string(kElementTable[id].section) + ": " + Describe(e, frames));
    y += 18;
    int x = kPad, rowHeight = 0;
    for (int f = 0; f < frames; ++f) {
        if (x + e.frame.width > kSheetWidth - kPad) {
            x = kPad;
            y += rowHeight + 6;
            rowHeight = 0;
        }
        const RECT r{x, y, x + e.frame.width, y + e.frame.height};
        if (draw) {
            Checker(dc, {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
            skin.DrawFrame(dc, id, f, r, ILD_TRANSPARENT);
        }
        x += e.frame.width + 6;
        rowHeight = std::max(rowHeight, int(e.frame.height));
    }
    y += rowHeight + 8;
    const SIZE sizes[] = {{e.frame.width, e.frame.height},
                          {std::max(1, e.frame.width / 2), std::max(1, e.frame.height / 2)},
                          {e.frame.width * 3, e.frame.height},
                          {e.frame.width, e.frame.height * 2},
                          {std::min(e.frame.width * 5, 400), e.frame.height * 3}};
    x = kPad;
    rowHeight = 0;
    for (const SIZE& size : sizes) {
        if (x + size.cx > kSheetWidth - kPad) {
            x = kPad;
            y += rowHeight + 6;
            rowHeight = 0;
        }
        const RECT r{x, y, x + size.cx, y + size.cy};
        if (draw) {
            Checker(dc, {r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
            skin.DrawSized(dc, id, 0, r);
        }
        x += size.cx + 10;
        rowHeight = std::max(rowHeight, int(size.cy));
    }
    return y + rowHeight + 16;
}

// Lays the sheet out (draw false, to measure) or draws it.
int Compose(HDC dc, LoadedSkin& skin, bool draw) {
    int y = kPad;
    if (draw) {
        Label(dc, kPad, y, "Skin: " + skin.SkinPath());
        Checker(dc, {kPad, y + 20, kSheetWidth - kPad, y + 20 + 460});
        Window(dc, skin, {kPad + 16, y + 36, kPad + 16 + 760, y + 36 + 420}, true, "Tarnvale Server", true);
        Window(dc, skin, {kPad + 800, y + 36, kPad + 800 + 250, y + 36 + 140}, false,
               "Inactive window with a long title", false);
        Window(dc, skin, {kPad + 800, y + 200, kPad + 800 + 110, y + 200 + 70}, true, "Small", false);
    }
    y += 20 + 460 + 16;
    for (int id = 0; id < kElementCount; ++id) {
        if (skin.HasElementImage(id))
            y = ElementBand(dc, skin, id, y, draw);
    }
    return y;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tarnvale-skinsheet SKIN OUTPUT.bmp\n"
                             "Draws every frame of every element of SKIN (a skin.ini, or the directory holding one)\n"
                             "into one picture, OUTPUT.bmp, to look at.\n");
        return 2;
    }
    if (GetFileAttributesA(argv[1]) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr,
                     "tarnvale-skinsheet: there is no skin at %s; give a skin.ini or the directory holding it\n",
                     argv[1]);
        return 1;
    }
    LoadedSkin skin;
    skin.Read(argv[1]);
    int images = 0;
    for (int id = 0; id < kElementCount; ++id)
        images += skin.HasElementImage(id);
    if (images == 0) {
        std::fprintf(stderr, "tarnvale-skinsheet: %s names no image that could be loaded\n", skin.SkinPath().c_str());
        return 1;
    }

    const int height = [&] {
        MemoryDC measure(nullptr);
        return Compose(measure.get(), skin, false);
    }();
    Sheet sheet(kSheetWidth, height);
    if (!sheet.Valid()) {
        std::fprintf(stderr, "tarnvale-skinsheet: cannot make a %d x %d picture\n", kSheetWidth, height);
        return 1;
    }
    Compose(sheet.dc(), skin, true);

    platform::SystemError error;
    if (!platform::ReplaceFileContents(argv[2], EncodeBmp24(sheet.Image()), &error)) {
        std::fprintf(stderr, "tarnvale-skinsheet: %s\n", error.message.c_str());
        return 1;
    }
    std::printf("drew %d elements of %s into %s (%d x %d)\n", images, skin.SkinPath().c_str(), argv[2], kSheetWidth,
                height);
    return 0;
}
