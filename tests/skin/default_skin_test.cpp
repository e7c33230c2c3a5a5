// The committed default skin is exactly what the generator draws, so the two never drift apart; and the skin
// file names every bitmap, with frames that divide its strips evenly, frames that meet and colours of its own.
#include "DefaultSkin.h"
#include "platform/File.h"
#include "skin/IniProfile.h"
#include "skin/SkinFile.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tarnvale {
namespace {

const std::string kSkinDirectory = TARNVALE_SOURCE_DIR "/skins/Tarnvale/";

TEST(DefaultSkin, CommittedFilesMatchTheGenerator) {
    const auto files = DrawDefaultSkin();
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> committed;
        ASSERT_EQ(platform::ReadWholeFile(kSkinDirectory + name, committed), platform::ReadResult::Ok);
        EXPECT_TRUE(committed == bytes) << "skins/Tarnvale/" << name
                                        << " differs from the generator's drawing; run tarnvale-skingen skins/Tarnvale";
    }
}

// Width and height of a 24-bit BMP from its header.
std::pair<std::int32_t, std::int32_t> BmpSize(const std::vector<std::uint8_t>& bytes) {
    auto at = [&](std::size_t offset) {
        return std::int32_t(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | bytes[offset + 3] << 24);
    };
    return {at(18), at(22)};
}

TEST(DefaultSkin, EveryElementHasItsImage) {
    const auto files = DrawDefaultSkin();
    const auto& ini = files.at("skin.ini");
    const IniProfile profile = IniProfile::Parse(ini);
    std::set<std::string> named;
    for (int id = 0; id < kElementCount; ++id) {
        SCOPED_TRACE(kElementTable[id].section);
        SkinElement element;
        const std::string image = ReadElementSection(profile, id, element);
        if (kElementTable[id].frames == 0) {
            EXPECT_EQ(image, "");
            continue;
        }
        ASSERT_TRUE(files.contains(image)) << image;
        named.insert(image);
        const auto [width, height] = BmpSize(files.at(image));
        const bool stacked = kElementTable[id].strip == StripLayout::Vertical;
        EXPECT_EQ((stacked ? height : width) % kElementTable[id].frames, 0);
        const FrameSize frame = FrameSizeFor(id, width, height);
        EXPECT_LE(element.margins.left + element.margins.right, frame.width);
        EXPECT_LE(element.margins.top + element.margins.bottom, frame.height);
    }
    EXPECT_EQ(named.size() + 1, files.size()); // every bitmap is used, and skin.ini is the one other file

    // The frame thicknesses agree, so the corners of the caption and the frames meet.
    auto element = [&](int id) {
        SkinElement e;
        ReadElementSection(profile, id, e);
        return e;
    };
    auto frame = [&](int id) {
        SkinElement e;
        const auto [width, height] = BmpSize(files.at(ReadElementSection(profile, id, e)));
        return FrameSizeFor(id, width, height);
    };
    EXPECT_EQ(frame(kElementFrameLeft).width, frame(kElementFrameRight).width);
    EXPECT_EQ(element(kElementFrameLeft).margins.top, frame(kElementCaption).height);
    EXPECT_EQ(element(kElementFrameLeft).margins.bottom, frame(kElementFrameBottom).height);
    // Colours the skin must give itself: borders, the dialog text, and a caption text for each state (the system's
    // colours, passed alike, would not tell the states apart).
    for (int id : {kElementEdit, kElementComboBox, kElementListBox, kElementListView})
        EXPECT_NE(element(id).borderColor, kNoColour) << kElementTable[id].section;
    EXPECT_NE(element(kElementSysMetrics).textColor, kNoColour);
    const GlobalSettings settings = ReadGlobalSettings(profile, 0x111111, 0x111111);
    EXPECT_NE(settings.captionText, settings.captionTextInactive);
}

} // namespace
} // namespace tarnvale
