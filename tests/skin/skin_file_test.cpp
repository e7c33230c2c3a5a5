// Reading a skin description: the private-profile rules, the value types, element sections, the global settings
// and where the skin file and its images are.
#include "skin/IniProfile.h"
#include "skin/SkinFile.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnvale {
namespace {

IniProfile ProfileOf(const std::string& text) {
    return IniProfile::Parse(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(IniProfile, PrivateProfileRules) {
    const IniProfile profile = ProfileOf("; a comment line\r\n"
                                         "orphan=before any section\r\n"
                                         "[Button.Pushbutton]\r\n"
                                         "  ImageFile  =   button.bmp   \r\n"
                                         "SIZINGMARGINS=4,4,4,4\r\n"
                                         "TextColor=\r\n"
                                         "NoEquals\r\n"
                                         "ImageFile=second.bmp\r\n"
                                         "Quoted=\"  keeps blanks  \"\r\n"
                                         "Single='x'\r\n"
                                         "Lonely=\"\r\n"
                                         "Mixed=\"x'\r\n"
                                         "Equals=a=b\r\n"
                                         "\t[ Padded ]\t\n"
                                         "Key=padded\n"
                                         "[Button.PushButton]\n"
                                         "Later=only in the second section of that name\n"
                                         "[Trail] junk\r"
                                         "Key=cr only\r"
                                         "[Unclosed\n"
                                         "Key=still in Trail\n");
    struct Row {
        const char* section;
        const char* key;
        const char* fallback;
        const char* expected;
    } rows[] = {
        {"Button.Pushbutton", "ImageFile", "-", "button.bmp"}, // blanks trimmed, first entry wins
        {"button.pushbutton", "imagefile", "-", "button.bmp"}, // case-insensitive section and key
        {"  Button.Pushbutton ", " ImageFile ", "-", "button.bmp"},
        {"Button.Pushbutton", "SizingMargins", "-", "4,4,4,4"},
        {"Button.Pushbutton", "TextColor", "-", ""},                // present and empty: the empty text
        {"Button.Pushbutton", "NoEquals", "fallback", "fallback"},  // no equals sign: the fallback
        {"Button.Pushbutton", "Missing", "fallback  ", "fallback"}, // trailing blanks of the fallback go
        {"Button.Pushbutton", "Quoted", "-", "  keeps blanks  "},
        {"Button.Pushbutton", "Single", "-", "x"},
        {"Button.Pushbutton", "Lonely", "-", "\""},
        {"Button.Pushbutton", "Mixed", "-", "\"x'"},
        {"Button.Pushbutton", "Equals", "-", "a=b"},
        {"Button.Pushbutton", "Later", "-", "-"}, // only the first section of a name is searched
        {" Padded ", "Key", "-", "padded"},
        {"Trail", "Key", "-", "cr only"},
        {"Trail", "[Unclosed", "-", "-"},
        {"Unclosed", "Key", "-", "-"},
        {"Missing", "Key", "\"quoted fallback\"", "quoted fallback"},
        {"", "orphan", "-", "before any section"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key);
        EXPECT_EQ(profile.ReadText(row.section, row.key, row.fallback, kTextBufferChars), row.expected);
    }
}

TEST(IniProfile, ValuesAreCutToTheBuffer) {
    const std::string longValue(5000, 'v');
    const IniProfile profile = ProfileOf("[S]\nLong=" + longValue + "\nShort=12345678901234\nQuoted=\"abcdef\"\n");
    EXPECT_EQ(profile.ReadText("S", "Long", "", kTextBufferChars), std::string(4095, 'v'));
    EXPECT_EQ(profile.ReadText("S", "Short", "", kColourBufferChars), "12345678901");
    EXPECT_EQ(profile.ReadText("S", "Short", "", 1), "");
    EXPECT_EQ(profile.ReadText("S", "Short", "", 0), "");
    EXPECT_EQ(profile.ReadText("S", "Quoted", "", 4), "abc");
}

TEST(IniProfile, IntegerRead) {
    const IniProfile profile =
        ProfileOf("[S]\n"
                  "Plain=42\nNegative=-17\nPlus=+8\nLeadingBlanks=   9\nTrailing=12px\n"
                  "Hex=0x1F\nUpperHex=0X1F\nOctal=0o17\nBinary=0b101\nWord=abc\nEmpty=\n"
                  "Wraps=4294967297\nQuoted=\"77\"\nLongDigits=123456789012345678901234567890\n");
    struct Row {
        const char* key;
        std::int32_t expected;
    } rows[] = {
        {"Plain", 42},
        {"Negative", -17},
        {"Plus", 8},
        {"LeadingBlanks", 9},
        {"Trailing", 12},
        {"Hex", 31},
        {"UpperHex", 0},
        {"Octal", 15},
        {"Binary", 5},
        {"Word", 0},
        {"Empty", -5},
        {"Missing", -5},
        {"Wraps", 1},
        {"Quoted", 77},
        // Only the first 29 characters reach the conversion, which wraps modulo 2^32.
        {"LongDigits", 1849262357},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(profile.ReadInt("S", row.key, -5), row.expected);
    }
}

TEST(IniProfile, ByteOrderMarkAndNul) {
    const std::string text = std::string("\xEF\xBB\xBF[S]\nA=1\n") + std::string(1, '\0') + "B=2\n";
    const IniProfile profile = ProfileOf(text);
    EXPECT_EQ(profile.ReadText("S", "A", "-", 10), "1");
    EXPECT_EQ(profile.ReadText("S", "B", "-", 10), "-");
    EXPECT_TRUE(ProfileOf("").Empty());
}

TEST(SkinValues, Colours) {
    struct Row {
        const char* text;
        std::uint32_t expected;
    } rows[] = {
        {"0 128 255", 0x00FF8000}, {"300 0 0", 44},  {"255,0,0", 0x000000FF}, {"0,255,0", 0},
        {"10 20", 0x0000140A},     {"-1 0 0", 0xFF}, {"", kNoColour},         {"x", 0},
        {"1  2 3", 0x00020201}, // a second blank starts the third component at once
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseColour(row.text, kNoColour), row.expected);
    }
    // The colour reader holds 11 characters: "255 255 2550" reads blue as 255.
    const IniProfile profile = ProfileOf("[S]\nC=255 255 2550\nE=\n");
    EXPECT_EQ(ReadColour(profile, "S", "C", 7), 0x00FFFFFFu);
    EXPECT_EQ(ReadColour(profile, "S", "E", 7), 7u);
    EXPECT_EQ(ReadColour(profile, "S", "Missing", 7), 7u);
}

TEST(SkinValues, ListsMarginsAndFonts) {
    EXPECT_EQ(ListField("7", 0, -1), 7);
    EXPECT_EQ(ListField("7", 1, -1), -1);
    EXPECT_EQ(ListField("4,2", 1, -1), 2);
    EXPECT_EQ(ListField("", 0, -1), 0);
    EXPECT_EQ(ListField("", 1, -1), -1);
    EXPECT_EQ(ListField(" -3 , x", 0, -1), -3);
    EXPECT_EQ(ListField(" -3 , x", 1, -1), 0);
    EXPECT_EQ(ListField("99999999999", 0, -1), 2147483647);
    EXPECT_EQ(ListField("-99999999999", 0, -1), -2147483647 - 1);

    struct MarginRow {
        const char* text;
        Margins expected;
    } margins[] = {
        {"3, 4 ,5,6", {3, 4, 5, 6}}, {"0,0,0,0", {0, 0, 0, 0}}, {"1,2", {1, 2, 0, 0}},
        {"1;2,3,4", {1, 0, 0, 0}},   {"", {0, 0, 0, 0}},        {"-1,+2,3,4,5", {-1, 2, 3, 4}},
        {"x,2,3,4", {0, 0, 0, 0}},
    };
    for (const MarginRow& row : margins) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseMargins(row.text), row.expected);
    }

    struct FontRow {
        const char* text;
        const char* face;
        std::int32_t size, weight;
    } fonts[] = {
        {"MS Sans Serif, 14, 700", "MS Sans Serif", 14, 700},
        {"Tahoma, 13", "Tahoma", 13, 0},
        {"Verdana", "Verdana", 0, 0},
        {"Segoe UI , 15 , 600", "Segoe UI", 15, 600},
        {"", "", 0, 0},
    };
    for (const FontRow& row : fonts) {
        SCOPED_TRACE(row.text);
        const FontSpec font = ParseFont(row.text);
        EXPECT_EQ(font.face, row.face);
        EXPECT_EQ(font.size, row.size);
        EXPECT_EQ(font.weight, row.weight);
    }
}

TEST(SkinFile, ElementSections) {
    const IniProfile profile = ProfileOf("[Scrollbar.ShaftHorz]\n"
                                         "ImageFile=img\\shaft.bmp\nSizingMargins=3, 4 ,5,6\nSizingType=TRUESIZE\n"
                                         "Offset=7\nOffsetType=TopRight\nTextColor=0 128 255\nFillColor=1 2 3\n"
                                         "BorderColor=255,0,0\n"
                                         "[Scrollbar.ShaftVert]\nSizingType=Tile\nOffsetType=Top Right\nOffset=4,2\n"
                                         "[ScrollBar.ThumbHorz]\nSizingType=\n"
                                         "[Edit]\nImageFile=ignored.bmp\nImageFileHighDpi=ignored@2x.bmp\n"
                                         "BorderColor=10 20 30\n"
                                         "[Window.Caption]\nImageFile=caption.bmp\nImageFileHighDpi=caption@2x.bmp\n");
    SkinElement e;
    EXPECT_EQ(ReadElementSection(profile, kElementShaftHorz, e), "img\\shaft.bmp");
    EXPECT_EQ(e.margins, (Margins{3, 4, 5, 6}));
    EXPECT_EQ(e.sizingType, SizingTrueSize);
    EXPECT_EQ(e.offsetX, 7);
    EXPECT_EQ(e.offsetY, 0);
    EXPECT_TRUE(e.anchorTopRight);
    EXPECT_EQ(e.textColor, 0x00FF8000u);
    EXPECT_EQ(e.fillColor, 0x00030201u);
    EXPECT_EQ(e.borderColor, 0x000000FFu);

    SkinElement v;
    EXPECT_EQ(ReadElementSection(profile, kElementShaftVert, v), "");
    EXPECT_EQ(v.sizingType, SizingTile);
    EXPECT_FALSE(v.anchorTopRight); // the two words apart anchor at the top-left corner
    EXPECT_EQ(v.offsetX, 4);
    EXPECT_EQ(v.offsetY, 2);

    SkinElement t;
    ReadElementSection(profile, kElementThumbHorz, t);
    EXPECT_EQ(t.sizingType, SizingTile); // present but empty

    SkinElement d; // a missing section: every default
    EXPECT_EQ(ReadElementSection(profile, kElementDialog, d), "");
    EXPECT_EQ(d.sizingType, SizingStretch);
    EXPECT_EQ(d.textColor, kNoColour);
    EXPECT_EQ(d.borderColor, kNoColour);
    EXPECT_EQ(d.margins, Margins{});

    SkinElement edit; // elements without frames take no image
    EXPECT_EQ(ReadElementSection(profile, kElementEdit, edit), "");
    EXPECT_EQ(edit.borderColor, 0x001E140Au);

    // The sharp screens' art is read apart, so the section's "ImageFile" means what it always meant.
    SkinElement caption;
    EXPECT_EQ(ReadElementSection(profile, kElementCaption, caption), "caption.bmp");
    EXPECT_EQ(ReadHighDpiImageFile(profile, kElementCaption), "caption@2x.bmp");
    EXPECT_EQ(ReadHighDpiImageFile(profile, kElementShaftHorz), "");
    EXPECT_EQ(ReadHighDpiImageFile(profile, kElementEdit), "");
}

TEST(SkinFile, GlobalSettings) {
    const GlobalSettings defaults = ReadGlobalSettings(IniProfile(), 0x111111, 0x222222);
    EXPECT_EQ(defaults.useTransparency, 0);
    EXPECT_EQ(defaults.captionAlignment, 0);
    EXPECT_EQ(defaults.captionFont.face, "MS Sans Serif");
    EXPECT_EQ(defaults.captionFont.size, 14);
    EXPECT_EQ(defaults.captionFont.weight, 700);
    EXPECT_EQ(defaults.captionText, 0x111111u);
    EXPECT_EQ(defaults.captionTextInactive, 0x222222u);
    EXPECT_EQ(defaults.captionOffsetX, 0);
    EXPECT_EQ(defaults.captionOffsetY, 0);

    const GlobalSettings s = ReadGlobalSettings(ProfileOf("[sysmetrics]\nUseTransparency=1\nTextAlignment=2\n"
                                                          "CaptionFont=Tahoma, 13\nCaptionText=255 255 255\n"
                                                          "CaptionTextInactive=\nCaptionOffset=6,-2\n"),
                                                0x111111, 0x222222);
    EXPECT_EQ(s.useTransparency, 1);
    EXPECT_EQ(s.captionAlignment, 2);
    EXPECT_EQ(s.captionFont.face, "Tahoma");
    EXPECT_EQ(s.captionFont.size, 13);
    EXPECT_EQ(s.captionFont.weight, 0);
    EXPECT_EQ(s.captionText, 0x00FFFFFFu);
    EXPECT_EQ(s.captionTextInactive, 0x222222u); // empty: the system colour
    EXPECT_EQ(s.captionOffsetX, 6);
    EXPECT_EQ(s.captionOffsetY, -2);
}

TEST(SkinFile, FrameSizes) {
    struct Row {
        int id;
        std::int32_t width, height;
        FrameSize expected;
    } rows[] = {
        {kElementPushButton, 120, 20, {30, 20}},
        {kElementCaption, 300, 60, {300, 30}},
        {kElementCaption, 100, 90, {100, 45}},
        {kElementFrameBottom, 64, 13, {64, 6}},
        {kElementScrollArrows, 34 * 17 + 5, 17, {17, 17}},
        {kElementEdit, 50, 50, {0, 0}},
        {kElementCloseButton, 5, 20, {0, 20}},
        {kElementCount, 10, 10, {0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const FrameSize size = FrameSizeFor(row.id, row.width, row.height);
        EXPECT_EQ(size.width, row.expected.width);
        EXPECT_EQ(size.height, row.expected.height);
    }
}

TEST(SkinFile, SkinAndImagePaths) {
    EXPECT_EQ(ResolveSkinPath("C:\\skins\\Blue", true), "C:\\skins\\Blue\\skin.ini");
    EXPECT_EQ(ResolveSkinPath("C:\\skins\\Blue\\\\", true), "C:\\skins\\Blue\\skin.ini");
    EXPECT_EQ(ResolveSkinPath("C:\\", true), "C:\\skin.ini");
    EXPECT_EQ(ResolveSkinPath("C:\\skins\\Blue\\other.ini", false), "C:\\skins\\Blue\\other.ini");

    EXPECT_EQ(SkinDirectory("C:\\skins\\Blue\\skin.ini"), "C:\\skins\\Blue\\");
    EXPECT_EQ(SkinDirectory("skins/Blue/skin.ini"), "skins/Blue/");
    EXPECT_EQ(SkinDirectory("C:skin.ini"), "C:");
    EXPECT_EQ(SkinDirectory("skin.ini"), "");

    EXPECT_EQ(ImagePath("C:\\skins\\Blue\\skin.ini", "img\\caption.bmp"), "C:\\skins\\Blue\\img\\caption.bmp");
    const std::string dir = "C:\\" + std::string(240, 'd') + "\\skin.ini";
    EXPECT_TRUE(ImagePath(dir, std::string(15, 'f')).has_value()); // 259 characters still fit
    EXPECT_FALSE(ImagePath(dir, std::string(16, 'f')).has_value());
}

} // namespace
} // namespace tarnvale
