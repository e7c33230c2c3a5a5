// Scroll-bar images for skin tests: every frame one colour of its own (glyphs and grippers see-through), so that a
// pixel read back from a window tells which part and frame the skin drew there.
#pragma once

#include "WinTestSupport.h"
#include "skin/SkinElement.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace tarnvale::test {

inline std::uint32_t ArrowColour(int frame) {
    return std::uint32_t(10 + frame * 7) << 16 | 0xC828;
}
inline constexpr std::uint32_t kShaftHorz = 0x3050A0, kShaftVert = 0x30A050;
inline std::uint32_t ThumbColour(bool vertical, int frame) {
    return (vertical ? 0xA03000u : 0xA06000u) + std::uint32_t(frame) * 0x10;
}

// Writes the five bar images into dir and gives their sections of a skin file. The section of element missing
// names no image; shaftSizing is the vertical shaft's sizing type.
inline std::string WriteBarSkinSections(const TempDir& dir, int missing = -1, const char* shaftSizing = "Stretch") {
    RgbImage arrows(34 * 10, 10, 0xFF00FF);
    for (int f = 0; f < 16; ++f)
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                arrows.At(f * 10 + x, y) = ArrowColour(f);
    WriteBmp(dir.File("arrows.bmp"), arrows);
    WriteBmp(dir.File("shafth.bmp"), RgbImage(4 * 8, 8, kShaftHorz));
    WriteBmp(dir.File("shaftv.bmp"), RgbImage(4 * 8, 8, kShaftVert));
    for (bool vertical : {false, true}) {
        RgbImage thumb(4 * 8, 8);
        for (int f = 0; f < 4; ++f)
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    thumb.At(f * 8 + x, y) = ThumbColour(vertical, f);
        WriteBmp(dir.File(vertical ? "thumbv.bmp" : "thumbh.bmp"), thumb);
    }
    const struct {
        int id;
        std::string section;
    } sections[] = {
        {kElementScrollArrows, "[ScrollBar.ArrowBtn]\nImageFile=arrows.bmp\n"},
        {kElementShaftHorz, "[Scrollbar.ShaftHorz]\nImageFile=shafth.bmp\n"},
        {kElementShaftVert,
         std::string("[Scrollbar.ShaftVert]\nImageFile=shaftv.bmp\nSizingType=") + shaftSizing + "\n"},
        {kElementThumbHorz, "[Scrollbar.ThumbHorz]\nImageFile=thumbh.bmp\n"},
        {kElementThumbVert, "[Scrollbar.ThumbVert]\nImageFile=thumbv.bmp\n"},
    };
    std::string ini;
    for (const auto& section : sections)
        ini += section.id == missing ? section.section.substr(0, section.section.find('\n') + 1) : section.section;
    return ini;
}

} // namespace tarnvale::test
