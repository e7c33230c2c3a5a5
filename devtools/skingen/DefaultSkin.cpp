// Drawing of the default skin: a calm slate-blue window chrome with light, flat controls and one blue accent.
// Shapes are measured on a 4 x 4 grid of samples per pixel; pixels a shape only partly covers are blended with
// the colour they will be drawn over, and pixels no shape covers are magenta, which the skin engine leaves out.
#include "DefaultSkin.h"

#include "skin/RgbImage.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <sstream>

namespace tarnvale {
namespace {

struct Colour {
    double r = 0, g = 0, b = 0;
};

constexpr Colour Hex(std::uint32_t rgb) {
    return {double((rgb >> 16) & 0xFF), double((rgb >> 8) & 0xFF), double(rgb & 0xFF)};
}

Colour Mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

std::uint32_t Pack(Colour c) {
    auto channel = [](double v) { return std::uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
    std::uint32_t rgb = channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
    return rgb == 0xFF00FF ? 0xFE00FF : rgb; // a drawn pixel must never read as see-through
}

std::string Rgb(std::uint32_t rgb) {
    return std::to_string((rgb >> 16) & 0xFF) + " " + std::to_string((rgb >> 8) & 0xFF) + " " +
           std::to_string(rgb & 0xFF);
}

using Shape = std::function<bool(double x, double y)>;

// Inside a rectangle with rounded corners; the top and bottom corners may have different radii.
Shape RoundedRect(double left, double top, double right, double bottom, double radiusTop, double radiusBottom) {
    return [=](double x, double y) {
        if (x < left || x > right || y < top || y > bottom)
            return false;
        const double radius = y < (top + bottom) / 2 ? radiusTop : radiusBottom;
        const double cx = std::clamp(x, left + radius, right - radius);
        const double cy = std::clamp(y, top + radius, bottom - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
}

Shape RoundedRect(double left, double top, double right, double bottom, double radius) {
    return RoundedRect(left, top, right, bottom, radius, radius);
}

Shape Circle(double cx, double cy, double radius) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; };
}

// A stroke along a polyline, halfWidth to each side.
Shape Stroke(std::vector<std::pair<double, double>> points, double halfWidth) {
    return [points = std::move(points), halfWidth](double x, double y) {
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            const auto [ax, ay] = points[i];
            const auto [bx, by] = points[i + 1];
            const double dx = bx - ax, dy = by - ay;
            const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            const double px = ax + t * dx - x, py = ay + t * dy - y;
            if (px * px + py * py <= halfWidth * halfWidth)
                return true;
        }
        return false;
    };
}

Shape Triangle(double ax, double ay, double bx, double by, double cx, double cy) {
    return [=](double x, double y) {
        auto side = [&](double x0, double y0, double x1, double y1) {
            return (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
        };
        const double d0 = side(ax, ay, bx, by), d1 = side(bx, by, cx, cy), d2 = side(cx, cy, ax, ay);
        return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
    };
}

Shape Rows(double top, double bottom) {
    return [=](double, double y) { return y >= top && y < bottom; };
}

Shape Columns(double left, double right) {
    return [=](double x, double) { return x >= left && x < right; };
}

Shape Everywhere() {
    return [](double, double) { return true; };
}

// A picture being composed from shapes, with the coverage of each pixel.
class Layer {
public:
    Layer(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * height) {}

    // Paints paint(x, y) wherever shape covers, over what is there.
    void Fill(const Shape& shape, const std::function<Colour(int x, int y)>& paint) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        hits += shape(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
                if (hits)
                    Over(x, y, paint(x, y), hits / 16.0);
            }
        }
    }
    void Fill(const Shape& shape, Colour colour) {
        Fill(shape, [colour](int, int) { return colour; });
    }

    // background(x, y) is what the picture will be drawn over: partly covered pixels are blended with it. Where
    // it is unknown (none), a pixel counts as drawn once it is at least half covered.
    RgbImage Flatten(const std::function<std::optional<Colour>(int x, int y)>& background) const {
        RgbImage image(width_, height_, 0xFF00FF);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const Pixel& p = pixels_[std::size_t(y) * width_ + x];
                if (p.alpha < 1.0 / 32)
                    continue;
                const Colour own{p.r / p.alpha, p.g / p.alpha, p.b / p.alpha};
                if (const std::optional<Colour> under = background(x, y))
                    image.At(x, y) = Pack(Mix(*under, own, p.alpha));
                else if (p.alpha >= 0.5)
                    image.At(x, y) = Pack(own);
            }
        }
        return image;
    }
    RgbImage Flatten(std::optional<Colour> background) const {
        return Flatten([background](int, int) { return background; });
    }

private:
    struct Pixel {
        double r = 0, g = 0, b = 0, alpha = 0; // colour premultiplied by alpha
    };

    void Over(int x, int y, Colour c, double coverage) {
        Pixel& p = pixels_[std::size_t(y) * width_ + x];
        p.r = c.r * coverage + p.r * (1 - coverage);
        p.g = c.g * coverage + p.g * (1 - coverage);
        p.b = c.b * coverage + p.b * (1 - coverage);
        p.alpha = coverage + p.alpha * (1 - coverage);
    }

    int width_, height_;
    std::vector<Pixel> pixels_;
};

RgbImage Crop(const RgbImage& image, int left, int top, int width, int height) {
    RgbImage part(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            part.At(x, y) = image.At(left + x, top + y);
    return part;
}

// Frames side by side, or stacked when `stacked`.
RgbImage Strip(const std::vector<RgbImage>& frames, bool stacked = false) {
    const int w = frames.front().width, h = frames.front().height, n = int(frames.size());
    RgbImage strip(stacked ? w : w * n, stacked ? h * n : h);
    for (int i = 0; i < n; ++i)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                strip.At(stacked ? x : i * w + x, stacked ? i * h + y : y) = frames[i].At(x, y);
    return strip;
}

// The palette.
constexpr Colour kDialog = Hex(0xEEF1F5);
constexpr Colour kText = Hex(0x1E2A38);
constexpr Colour kAccent = Hex(0x3F74B8);
constexpr Colour kTrack = Hex(0xE9EDF2);
constexpr std::uint32_t kControlBorder = 0xA7B3C2;
constexpr std::uint32_t kGroupText = 0x35557F;
constexpr std::uint32_t kCaptionText = 0xF4F7FB;
constexpr std::uint32_t kCaptionTextInactive = 0x384454;

// Window chrome: caption height, side and bottom frame thickness, corner radii.
constexpr int kCaption = 30, kSide = 6, kBottom = 6;
constexpr double kRadiusTop = 6, kRadiusBottom = 4;

struct ChromePalette {
    Colour outline, highlight, captionTop, captionBottom, frame, clientLine, glyph;
};
const ChromePalette kActive{Hex(0x1B2634), Hex(0x566C8C), Hex(0x3B506D), Hex(0x2C3D55),
                            Hex(0x2C3D55), Hex(0x223047), Hex(0xE6ECF3)};
const ChromePalette kInactive{Hex(0x8592A2), Hex(0xD2D9E1), Hex(0xC3CCD6), Hex(0xB3BEC9),
                              Hex(0xB3BEC9), Hex(0xA3AEBB), Hex(0x4A5666)};

Colour CaptionColour(const ChromePalette& p, int y) {
    return Mix(p.captionTop, p.captionBottom, std::clamp((y - 1.0) / (kCaption - 2.0), 0.0, 1.0));
}

// A whole window's frame at width x height; the frame elements are cut from it, so they always meet.
RgbImage Chrome(int width, int height, const ChromePalette& p) {
    Layer layer(width, height);
    layer.Fill(RoundedRect(0, 0, width, height, kRadiusTop, kRadiusBottom), p.outline);
    layer.Fill(RoundedRect(1, 1, width - 1, height - 1, kRadiusTop - 1, kRadiusBottom - 1), p.highlight);
    layer.Fill(RoundedRect(1, 2, width - 1, height - 1, kRadiusTop - 1, kRadiusBottom - 1),
               [&](int, int y) { return y < kCaption ? CaptionColour(p, y) : p.frame; });
    // A darker line rims the client area.
    layer.Fill(
        [&](double x, double y) {
            const bool column = (x >= kSide - 1 && x < kSide) || (x >= width - kSide && x < width - kSide + 1);
            const bool row = (y >= kCaption - 1 && y < kCaption) || (y >= height - kBottom && y < height - kBottom + 1);
            const bool withinX = x >= kSide - 1 && x < width - kSide + 1;
            const bool withinY = y >= kCaption - 1 && y < height - kBottom + 1;
            return (column && withinY) || (row && withinX);
        },
        p.clientLine);
    layer.Fill(
        [&](double x, double y) { return x >= kSide && x < width - kSide && y >= kCaption && y < height - kBottom; },
        kDialog);
    return layer.Flatten(std::nullopt);
}

// Caption buttons: 28 x 20, placed 5 pixels below the caption's top.
constexpr int kButtonW = 28, kButtonH = 20, kButtonTop = 5;

enum class CaptionGlyph { Close, Minimise, Maximise };

RgbImage CaptionButton(CaptionGlyph glyph, int frame) {
    const bool inactive = frame == 3 || frame == 5;
    const ChromePalette& p = inactive ? kInactive : kActive;
    const bool pressed = frame == 1, hot = frame == 2;
    Layer layer(kButtonW, kButtonH);
    if (pressed || hot) {
        const bool close = glyph == CaptionGlyph::Close;
        const Colour back = close ? Hex(pressed ? 0xA8433C : 0xD4574F) : Hex(pressed ? 0x233249 : 0x4A6283);
        layer.Fill(RoundedRect(1, 0, kButtonW - 1, kButtonH, 4), back);
    }
    const Colour ink = (pressed || hot) ? Hex(0xFFFFFF) : p.glyph;
    switch (glyph) {
    case CaptionGlyph::Close:
        layer.Fill(Stroke({{9.5, 5.5}, {18.5, 14.5}}, 0.7), ink);
        layer.Fill(Stroke({{18.5, 5.5}, {9.5, 14.5}}, 0.7), ink);
        break;
    case CaptionGlyph::Minimise:
        layer.Fill(Stroke({{9.5, 13.5}, {18.5, 13.5}}, 0.6), ink);
        break;
    case CaptionGlyph::Maximise:
        layer.Fill(Stroke({{9.5, 5.5}, {18.5, 5.5}, {18.5, 14.5}, {9.5, 14.5}, {9.5, 5.5}}, 0.55), ink);
        layer.Fill(Stroke({{9.5, 6.5}, {18.5, 6.5}}, 0.5), ink);
        break;
    }
    return layer.Flatten([&](int, int y) { return std::optional(CaptionColour(p, kButtonTop + y)); });
}

RgbImage CaptionButtonStrip(CaptionGlyph glyph) {
    std::vector<RgbImage> frames;
    for (int frame = 0; frame < 6; ++frame)
        frames.push_back(CaptionButton(glyph, frame));
    return Strip(frames);
}

// Push button faces: normal, pressed, hot or focused, disabled.
RgbImage PushButton(int state) {
    struct Look {
        std::uint32_t border, top, bottom;
    };
    static constexpr Look kLooks[] = {
        {0xA6B1C0, 0xFFFFFF, 0xEEF2F6},
        {0x7D8CA1, 0xDCE3EC, 0xE6EBF1},
        {0x5A89C8, 0xF8FBFF, 0xE6EFFA},
        {0xCDD3DB, 0xF4F6F8, 0xF4F6F8},
    };
    const Look& look = kLooks[state];
    Layer layer(32, 24);
    layer.Fill(RoundedRect(0, 0, 32, 24, 4), Hex(look.border));
    layer.Fill(RoundedRect(1, 1, 31, 23, 3),
               [&](int, int y) { return Mix(Hex(look.top), Hex(look.bottom), std::clamp((y - 1) / 21.0, 0.0, 1.0)); });
    return layer.Flatten(kDialog);
}

struct BoxLook {
    std::uint32_t border, fill, mark;
};
// Unchecked normal, pressed, hot, disabled; then the same checked.
constexpr BoxLook kCheckLooks[] = {
    {0x8C99AA, 0xFFFFFF, 0},        {0x6E7E94, 0xE1E7EF, 0},        {0x4A7FC1, 0xF2F7FD, 0},
    {0xC6CDD6, 0xF2F4F7, 0},        {0x3569AC, 0x3F74B8, 0xFFFFFF}, {0x2A5590, 0x2F5D97, 0xFFFFFF},
    {0x4279C0, 0x4D86CF, 0xFFFFFF}, {0xB3BECB, 0xBAC5D2, 0xF4F6F8},
};
constexpr BoxLook kRadioLooks[] = {
    {0x8C99AA, 0xFFFFFF, 0},        {0x6E7E94, 0xE1E7EF, 0},        {0x4A7FC1, 0xF2F7FD, 0},
    {0xC6CDD6, 0xF2F4F7, 0},        {0x3F74B8, 0xFFFFFF, 0x3F74B8}, {0x2F5D97, 0xE1E7EF, 0x2F5D97},
    {0x4D86CF, 0xF2F7FD, 0x4D86CF}, {0xC6CDD6, 0xF2F4F7, 0xB3BECB},
};

RgbImage CheckBox(int frame) {
    const BoxLook& look = kCheckLooks[frame];
    Layer layer(13, 13);
    layer.Fill(RoundedRect(0, 0, 13, 13, 2.5), Hex(look.border));
    layer.Fill(RoundedRect(1, 1, 12, 12, 1.5), Hex(look.fill));
    if (frame >= 4)
        layer.Fill(Stroke({{3.3, 6.7}, {5.6, 9.0}, {9.9, 4.0}}, 0.85), Hex(look.mark));
    return layer.Flatten(kDialog);
}

RgbImage RadioButton(int frame) {
    const BoxLook& look = kRadioLooks[frame];
    Layer layer(13, 13);
    layer.Fill(Circle(6.5, 6.5, 6.5), Hex(look.border));
    layer.Fill(Circle(6.5, 6.5, 5.5), Hex(look.fill));
    if (frame >= 4)
        layer.Fill(Circle(6.5, 6.5, 3.0), Hex(look.mark));
    return layer.Flatten(kDialog);
}

RgbImage GroupBox() {
    Layer layer(16, 16);
    layer.Fill([outer = RoundedRect(0, 0, 16, 16, 4),
                inner = RoundedRect(1, 1, 15, 15, 3)](double x, double y) { return outer(x, y) && !inner(x, y); },
               Hex(0xC5CDD7));
    // Only the rim is drawn: inside, the dialog's background shows through.
    return layer.Flatten(
        [](int x, int y) { return (x > 2 && x < 13 && y > 2 && y < 13) ? std::nullopt : std::optional(kDialog); });
}

// The drop-down button of a combo box: normal, dropped down, hot, disabled.
RgbImage ComboButton(int state) {
    static constexpr std::uint32_t kFill[] = {0xF0F3F7, 0xDAE2EC, 0xE5EDF7, 0xF4F6F8};
    static constexpr std::uint32_t kInk[] = {0x4B5A6E, 0x2C3D55, 0x3F74B8, 0xB8C1CC};
    Layer layer(17, 17);
    layer.Fill(Everywhere(), Hex(kFill[state]));
    layer.Fill(Columns(0, 1), Hex(0xD3DAE3));
    layer.Fill(Stroke({{5.0, 7.0}, {8.5, 10.5}, {12.0, 7.0}}, 0.8), Hex(kInk[state]));
    return layer.Flatten(std::nullopt);
}

// Scroll bars: 17 x 17 frames, the system's bar thickness.
constexpr int kBar = 17;
constexpr Colour kTrackLine = Hex(0xDCE2E9);
enum class Arrow { Up, Down, Left, Right };

bool Vertical(Arrow arrow) {
    return arrow == Arrow::Up || arrow == Arrow::Down;
}

// Arrow button states in strip order: normal, pressed, disabled, hot.
std::optional<Colour> ArrowBack(int state) {
    if (state == 1)
        return Hex(0xC3CDDA);
    if (state == 3)
        return Hex(0xD6DDE6);
    return std::nullopt;
}

RgbImage ArrowButton(Arrow arrow, int state) {
    Layer layer(kBar, kBar);
    layer.Fill(Everywhere(), kTrack);
    layer.Fill(Vertical(arrow) ? Columns(0, 1) : Rows(0, 1), kTrackLine);
    if (const std::optional<Colour> back = ArrowBack(state))
        layer.Fill(RoundedRect(2, 2, kBar - 2, kBar - 2, 3), *back);
    return layer.Flatten(std::nullopt);
}

RgbImage ArrowGlyph(Arrow arrow, int state) {
    static constexpr std::uint32_t kInk[] = {0x76859A, 0x2C3D55, 0xC0C8D2, 0x45597A};
    const double c = kBar / 2.0;
    Shape shape;
    switch (arrow) {
    case Arrow::Up:
        shape = Triangle(c, c - 2.5, c + 4, c + 2, c - 4, c + 2);
        break;
    case Arrow::Down:
        shape = Triangle(c, c + 2.5, c - 4, c - 2, c + 4, c - 2);
        break;
    case Arrow::Left:
        shape = Triangle(c - 2.5, c, c + 2, c - 4, c + 2, c + 4);
        break;
    case Arrow::Right:
        shape = Triangle(c + 2.5, c, c - 2, c + 4, c - 2, c - 4);
        break;
    }
    Layer layer(kBar, kBar);
    layer.Fill(shape, Hex(kInk[state]));
    const Colour under = ArrowBack(state).value_or(kTrack);
    return layer.Flatten(under);
}

constexpr std::uint32_t kThumb[] = {0xBAC4D0, 0x8796AB, 0xD3D9E1, 0xA2AFBF}; // normal, pressed, unused, hot

RgbImage Gripper(bool vertical) {
    Layer layer(kBar, kBar);
    for (double at : {6.5, 8.5, 10.5})
        layer.Fill(vertical ? Stroke({{5.5, at}, {11.5, at}}, 0.5) : Stroke({{at, 5.5}, {at, 11.5}}, 0.5),
                   Hex(0xEEF1F5));
    return layer.Flatten(Hex(kThumb[0]));
}

RgbImage ScrollArrows() {
    std::vector<RgbImage> frames;
    const Arrow arrows[] = {Arrow::Up, Arrow::Down, Arrow::Left, Arrow::Right};
    for (Arrow arrow : arrows)
        for (int state = 0; state < 4; ++state)
            frames.push_back(ArrowButton(arrow, state));
    for (Arrow arrow : arrows)
        for (int state = 0; state < 4; ++state)
            frames.push_back(ArrowGlyph(arrow, state));
    frames.push_back(Gripper(true));
    frames.push_back(Gripper(false));
    return Strip(frames);
}

RgbImage Shaft(bool vertical) {
    Layer layer(kBar, kBar);
    layer.Fill(Everywhere(), kTrack);
    layer.Fill(vertical ? Columns(0, 1) : Rows(0, 1), kTrackLine);
    const RgbImage frame = layer.Flatten(std::nullopt);
    return Strip({frame, frame, frame, frame});
}

RgbImage Thumb(bool vertical) {
    std::vector<RgbImage> frames;
    for (std::uint32_t colour : kThumb) {
        Layer layer(kBar, kBar);
        layer.Fill(vertical ? RoundedRect(4, 1, 13, 16, 4.5) : RoundedRect(1, 4, 16, 13, 4.5), Hex(colour));
        // Drawn over the shaft, so the edges blend with the track and the rest lets it show.
        frames.push_back(layer.Flatten(kTrack));
    }
    return Strip(frames);
}

// Header items: normal, pressed, (unused), hot, (unused).
RgbImage Header() {
    auto item = [](std::uint32_t top, std::uint32_t bottom, std::uint32_t baseLine) {
        Layer layer(24, 22);
        layer.Fill(Everywhere(), [&](int, int y) { return Mix(Hex(top), Hex(bottom), y / 20.0); });
        layer.Fill(Rows(21, 22), Hex(baseLine));
        layer.Fill([](double x, double y) { return x >= 23 && y >= 4 && y < 17; }, Hex(0xD3DAE2));
        return layer.Flatten(std::nullopt);
    };
    const RgbImage normal = item(0xF7F9FB, 0xEDF1F5, 0xC9D1DB);
    return Strip({normal, item(0xE1E7EE, 0xE1E7EE, 0xC9D1DB), normal, item(0xFAFCFE, 0xEEF3F9, 0x7FA3D3), normal});
}

std::string SkinIni() {
    std::ostringstream ini;
    ini << "; Tarnvale, the default skin. Drawn by tarnvale-skingen (devtools/skingen); change the drawing there.\r\n";
    auto section = [&](const char* name) { ini << "\r\n[" << name << "]\r\n"; };
    auto key = [&](const char* name, const std::string& value) { ini << name << "=" << value << "\r\n"; };
    auto frame = [&](const char* name, const char* image, const char* margins) {
        section(name);
        key("ImageFile", image);
        if (margins)
            key("SizingMargins", margins);
    };

    section("SysMetrics");
    key("UseTransparency", "1");
    key("TextAlignment", "0");
    key("CaptionFont", "Tahoma, 14, 700");
    key("CaptionText", Rgb(kCaptionText));
    key("CaptionTextInactive", Rgb(kCaptionTextInactive));
    key("CaptionOffset", "8,0");
    key("TextColor", Rgb(Pack(kText)));
    frame("Button.Pushbutton", "button.bmp", "5,5,5,5");
    key("TextColor", Rgb(Pack(kText)));
    frame("Button.Radiobutton", "radio.bmp", nullptr);
    key("TextColor", Rgb(Pack(kText)));
    frame("Button.Checkbox", "checkbox.bmp", nullptr);
    key("TextColor", Rgb(Pack(kText)));
    frame("Button.Groupbox", "groupbox.bmp", "6,6,6,6");
    key("TextColor", Rgb(kGroupText));
    section("Edit");
    key("BorderColor", Rgb(kControlBorder));
    frame("ComboBox", "combo.bmp", "8,8,8,8");
    key("BorderColor", Rgb(kControlBorder));
    section("ListBox");
    key("BorderColor", Rgb(kControlBorder));
    frame("ScrollBar.ArrowBtn", "scroll_arrows.bmp", "3,3,3,3");
    frame("Scrollbar.ShaftHorz", "shaft_horz.bmp", "0,1,0,0");
    key("SizingType", "Stretch");
    frame("Scrollbar.ShaftVert", "shaft_vert.bmp", "1,0,0,0");
    key("SizingType", "Stretch");
    frame("Scrollbar.ThumbHorz", "thumb_horz.bmp", "6,0,6,0");
    frame("Scrollbar.ThumbVert", "thumb_vert.bmp", "0,6,0,6");
    section("ListView");
    key("BorderColor", Rgb(kControlBorder));
    frame("Header", "header.bmp", "0,4,1,5");
    frame("Window.Dialog", "dialog.bmp", nullptr);
    frame("Window.Caption", "caption.bmp", "0,0,0,0");
    const std::string sides = "0," + std::to_string(kCaption) + ",0," + std::to_string(kBottom);
    frame("Window.FrameLeft", "frame_left.bmp", sides.c_str());
    frame("Window.FrameRight", "frame_right.bmp", sides.c_str());
    frame("Window.FrameBottom", "frame_bottom.bmp", "0,0,0,0");
    const char* buttons[][2] = {{"Window.CloseButton", "close.bmp"},
                                {"Window.MaxButton", "maximize.bmp"},
                                {"Window.MinButton", "minimize.bmp"}};
    for (int i = 0; i < 3; ++i) {
        frame(buttons[i][0], buttons[i][1], nullptr);
        key("Offset", std::to_string(4 + i * (kButtonW + 2)) + "," + std::to_string(kButtonTop));
        key("OffsetType", "TopRight");
    }
    return ini.str();
}

} // namespace

std::map<std::string, std::vector<std::uint8_t>> DrawDefaultSkin() {
    std::map<std::string, std::vector<std::uint8_t>> files;
    auto put = [&](const std::string& name, const RgbImage& image) { files[name] = EncodeBmp24(image); };

    // The chrome is drawn once per state at a size where every part is present, then cut into elements:
    // the caption and bottom frame from uniform middle columns, the sides whole.
    constexpr int kChromeW = 64, kChromeH = kCaption + 28 + kBottom;
    const RgbImage active = Chrome(kChromeW, kChromeH, kActive);
    const RgbImage inactive = Chrome(kChromeW, kChromeH, kInactive);
    constexpr int kMiddle = kChromeW / 2 - 8;
    put("caption.bmp", Strip({Crop(active, kMiddle, 0, 16, kCaption), Crop(inactive, kMiddle, 0, 16, kCaption)}, true));
    put("frame_left.bmp", Strip({Crop(active, 0, 0, kSide, kChromeH), Crop(inactive, 0, 0, kSide, kChromeH)}));
    put("frame_right.bmp", Strip({Crop(active, kChromeW - kSide, 0, kSide, kChromeH),
                                  Crop(inactive, kChromeW - kSide, 0, kSide, kChromeH)}));
    put("frame_bottom.bmp", Strip({Crop(active, kMiddle, kChromeH - kBottom, 16, kBottom),
                                   Crop(inactive, kMiddle, kChromeH - kBottom, 16, kBottom)},
                                  true));
    put("close.bmp", CaptionButtonStrip(CaptionGlyph::Close));
    put("maximize.bmp", CaptionButtonStrip(CaptionGlyph::Maximise));
    put("minimize.bmp", CaptionButtonStrip(CaptionGlyph::Minimise));
    put("dialog.bmp", RgbImage(64, 64, Pack(kDialog)));

    put("button.bmp", Strip({PushButton(0), PushButton(1), PushButton(2), PushButton(3)}));
    std::vector<RgbImage> checks, radios;
    for (int frame = 0; frame < 8; ++frame) {
        checks.push_back(CheckBox(frame));
        radios.push_back(RadioButton(frame));
    }
    put("checkbox.bmp", Strip(checks));
    put("radio.bmp", Strip(radios));
    put("groupbox.bmp", GroupBox());
    put("combo.bmp", Strip({ComboButton(0), ComboButton(1), ComboButton(2), ComboButton(3)}));
    put("scroll_arrows.bmp", ScrollArrows());
    put("shaft_horz.bmp", Shaft(false));
    put("shaft_vert.bmp", Shaft(true));
    put("thumb_horz.bmp", Thumb(false));
    put("thumb_vert.bmp", Thumb(true));
    put("header.bmp", Header());

    const std::string ini = SkinIni();
    files["skin.ini"] = std::vector<std::uint8_t>(ini.begin(), ini.end());
    return files;
}

} // namespace tarnvale
