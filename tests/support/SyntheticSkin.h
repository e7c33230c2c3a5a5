// Skins made up by a test: a skin.ini and its bitmaps written into a temporary directory from a few calls, with
// images whose every frame has colours of its own, so that a pixel read back from a window tells which element and
// frame the skin drew there.
#pragma once

#include "skin/SkinElement.h"
#include "support/WinTestSupport.h"

#include <cctype>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarnvale::test {

// An image of the element's frames laid out as its strip lies (side by side or stacked), frame f filled with
// colour(f).
inline RgbImage FramesOf(int element, int width, int height, const std::function<std::uint32_t(int frame)>& colour) {
    const int frames = kElementTable[element].frames;
    const bool stacked = kElementTable[element].strip == StripLayout::Vertical;
    RgbImage image(stacked ? width : width * frames, stacked ? height * frames : height);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.At(stacked ? x : f * width + x, stacked ? f * height + y : y) = colour(f);
    return image;
}

// An image painted pixel by pixel.
inline RgbImage Painted(int width, int height, const std::function<std::uint32_t(int x, int y)>& pixel) {
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.At(x, y) = pixel(x, y);
    return image;
}

inline void FillRect(RgbImage& image, int left, int top, int width, int height, std::uint32_t colour) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            image.At(x, y) = colour;
}

// The scroll-bar images that SyntheticSkin::Bars writes: each arrow frame, shaft and thumb frame a colour of its
// own (glyphs and grippers see-through).
inline std::uint32_t ArrowColour(int frame) {
    return std::uint32_t(10 + frame * 7) << 16 | 0xC828;
}
inline constexpr std::uint32_t kShaftHorz = 0x3050A0, kShaftVert = 0x30A050;
inline std::uint32_t ThumbColour(bool vertical, int frame) {
    return (vertical ? 0xA03000u : 0xA06000u) + std::uint32_t(frame) * 0x10;
}

class SyntheticSkin {
public:
    explicit SyntheticSkin(const TempDir& dir) : dir_(dir) {}

    // The element's image, written now (under file, or a name made from the section) and named in its section.
    SyntheticSkin& Image(int element, const RgbImage& image, std::string file = {}) {
        if (file.empty()) {
            for (const char* c = kElementTable[element].section; *c; ++c)
                file += char(std::tolower(static_cast<unsigned char>(*c)));
            file += ".bmp";
        }
        WriteBmp(dir_.File(file), image);
        return Set(element, "ImageFile", file);
    }

    // A key of the element's section; a key set again takes the new value.
    SyntheticSkin& Set(int element, const std::string& key, const std::string& value) {
        auto& keys = SectionOf(element);
        for (auto& [name, old] : keys) {
            if (name == key) {
                old = value;
                return *this;
            }
        }
        keys.emplace_back(key, value);
        return *this;
    }
    SyntheticSkin& Set(int element, const std::string& key, int value) {
        return Set(element, key, std::to_string(value));
    }
    // A key of the skin's global settings.
    SyntheticSkin& Setting(const std::string& key, const std::string& value) {
        return Set(kElementSysMetrics, key, value);
    }
    SyntheticSkin& Setting(const std::string& key, int value) { return Set(kElementSysMetrics, key, value); }
    // A colour key from 0xRRGGBB, in the file's "R G B" form.
    SyntheticSkin& Colour(int element, const std::string& key, std::uint32_t rgb) {
        return Set(element, key,
                   std::to_string(rgb >> 16) + " " + std::to_string((rgb >> 8) & 0xFF) + " " +
                       std::to_string(rgb & 0xFF));
    }
    // The element's section, even with no keys.
    SyntheticSkin& Section(int element) {
        SectionOf(element);
        return *this;
    }

    // Every scroll-bar image but that of withoutImage, whose section stays, empty; shaftSizing is the vertical
    // shaft's sizing type.
    SyntheticSkin& Bars(int withoutImage = -1, const char* shaftSizing = "Stretch") {
        const std::pair<int, RgbImage> bars[] = {
            {kElementScrollArrows,
             FramesOf(kElementScrollArrows, 10, 10, [](int f) { return f < 16 ? ArrowColour(f) : 0xFF00FF; })},
            {kElementShaftHorz, FramesOf(kElementShaftHorz, 8, 8, [](int) { return kShaftHorz; })},
            {kElementShaftVert, FramesOf(kElementShaftVert, 8, 8, [](int) { return kShaftVert; })},
            {kElementThumbHorz, FramesOf(kElementThumbHorz, 8, 8, [](int f) { return ThumbColour(false, f); })},
            {kElementThumbVert, FramesOf(kElementThumbVert, 8, 8, [](int f) { return ThumbColour(true, f); })},
        };
        for (const auto& [element, image] : bars) {
            if (element == withoutImage)
                Section(element);
            else
                Image(element, image);
        }
        if (withoutImage != kElementShaftVert)
            Set(kElementShaftVert, "SizingType", shaftSizing);
        return *this;
    }

    // Writes skin.ini and gives its path.
    std::string Write() const {
        std::string ini;
        for (const auto& [element, keys] : sections_) {
            ini += std::string("[") + kElementTable[element].section + "]\n";
            for (const auto& [key, value] : keys)
                ini += key + "=" + value + "\n";
        }
        WriteFile(Path(), ini);
        return Path();
    }
    std::string Path() const { return dir_.File("skin.ini"); }

private:
    std::vector<std::pair<std::string, std::string>>& SectionOf(int element) {
        for (auto& [id, keys] : sections_) {
            if (id == element)
                return keys;
        }
        return sections_.emplace_back(element, std::vector<std::pair<std::string, std::string>>{}).second;
    }

    const TempDir& dir_;
    std::vector<std::pair<int, std::vector<std::pair<std::string, std::string>>>> sections_;
};

} // namespace tarnvale::test
