// Element images and drawing on real GDI: nine-grid pixels read back from a DIB section (and again from what the
// first drawing kept), frame strips, the skin path rule, images that appear later, and the default skin beside the
// executable.
#include "platform/FileHandle_win.h"
#include "skin/win/SkinImages.h"
#include "skin/win/SkinManager.h"
#include "support/SyntheticSkin.h"
#include "support/WinTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tarnvale {
namespace {

constexpr std::uint32_t kBackground = 0x123456;
constexpr std::uint32_t kPink = 0xFF00FF;
constexpr int kFrameW = 30, kFrameH = 20;

// Every pixel of every frame has its own colour: red from x, green from y, blue from the frame. Magenta marks
// the top-left corner pixel and one pixel in the centre of each frame.
std::uint32_t ButtonPixel(int frame, int x, int y) {
    if ((x == 0 && y == 0) || (x == 15 && y == 10))
        return kPink;
    return std::uint32_t(40 + x * 6) << 16 | std::uint32_t(20 + y * 10) << 8 | std::uint32_t(30 + frame * 50);
}

std::uint32_t CaptionPixel(int frame, int x, int y) {
    return frame == 0 ? (std::uint32_t(10 + x * 5) << 16 | std::uint32_t(100 + y) << 8 | 50)
                      : (200u << 16 | std::uint32_t(10 + x * 5) << 8 | std::uint32_t(100 + y));
}

class SkinDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        test::SyntheticSkin(dir_)
            .Image(kElementPushButton,
                   test::Painted(4 * kFrameW, kFrameH,
                                 [](int x, int y) { return ButtonPixel(x / kFrameW, x % kFrameW, y); }),
                   "button.bmp")
            .Set(kElementPushButton, "SizingMargins", "4,3,4,3")
            .Colour(kElementPushButton, "TextColor", 0x010203)
            .Image(kElementCaption, test::Painted(40, 60, [](int x, int y) { return CaptionPixel(y / 30, x, y % 30); }),
                   "caption.bmp")
            .Set(kElementGroupBox, "ImageFile", "missing.bmp")
            .Set(kElementGroupBox, "SizingMargins", "5,6,7,8")
            .Set(kElementEdit, "ImageFile", "button.bmp")
            .Colour(kElementEdit, "BorderColor", 0x090807)
            .Write();
        manager_.LoadSkin(dir_.File("skin.ini").c_str());
    }

    test::TempDir dir_;
    SkinManager manager_;
};

TEST_F(SkinDrawing, FramesComeFromTheirStrips) {
    EXPECT_TRUE(manager_.Skin().HasElementImage(kElementPushButton));
    EXPECT_EQ(manager_.Skin().Element(kElementPushButton).frame.width, kFrameW);
    EXPECT_EQ(manager_.Skin().Element(kElementPushButton).frame.height, kFrameH);
    EXPECT_EQ(manager_.Skin().Element(kElementPushButton).textColor, 0x00030201u);
    EXPECT_EQ(manager_.Skin().Element(kElementCaption).frame.width, 40);
    EXPECT_EQ(manager_.Skin().Element(kElementCaption).frame.height, 30);
    // An element without frames takes no image whatever its section says; its other keys count.
    EXPECT_FALSE(manager_.Skin().HasElementImage(kElementEdit));
    EXPECT_EQ(manager_.Skin().Element(kElementEdit).borderColor, 0x00070809u);

    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        test::DibCanvas canvas(50, 40, kBackground);
        ASSERT_TRUE(manager_.Skin().DrawFrame(canvas.dc(), kElementCaption, frame, {2, 3, 3, 4}, ILD_NORMAL));
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(canvas.Pixel(2 + x, 3 + y), CaptionPixel(frame, x, y)) << x << "," << y;
        EXPECT_EQ(canvas.Pixel(42, 3), kBackground); // the frame is drawn at its own size only
    }

    const UniqueImageList strip(ImageListFromVerticalStrip(nullptr, dir_.File("caption.bmp").c_str(), 30, 0, CLR_NONE,
                                                           IMAGE_BITMAP, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_TRUE(strip);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(strip.get(), &cx, &cy);
    EXPECT_EQ(ImageList_GetImageCount(strip.get()), 2);
    EXPECT_EQ(cx, 40);
    EXPECT_EQ(cy, 30);
    EXPECT_EQ(ImageListFromVerticalStrip(nullptr, dir_.File("absent.bmp").c_str(), 30, 0, CLR_NONE, IMAGE_BITMAP,
                                         LR_LOADFROMFILE),
              nullptr);
}

TEST_F(SkinDrawing, FrameSizeReproducesTheFrame) {
    for (int frame = 0; frame < 4; ++frame) {
        SCOPED_TRACE(frame);
        test::DibCanvas canvas(40, 30, kBackground);
        ASSERT_TRUE(
            manager_.Skin().DrawSized(canvas.dc(), kElementPushButton, frame, {5, 7, 5 + kFrameW, 7 + kFrameH}));
        for (int y = 0; y < canvas.Height(); ++y) {
            for (int x = 0; x < canvas.Width(); ++x) {
                const bool inside = x >= 5 && y >= 7 && x < 5 + kFrameW && y < 7 + kFrameH;
                const std::uint32_t source = inside ? ButtonPixel(frame, x - 5, y - 7) : kPink;
                ASSERT_EQ(canvas.Pixel(x, y), source == kPink ? kBackground : source) << x << "," << y;
            }
        }
    }
}

TEST_F(SkinDrawing, CornersKeptEdgesAndCentreStretched) {
    constexpr int W = 100, H = 50;
    test::DibCanvas canvas(W + 20, H + 20, kBackground);
    ASSERT_TRUE(manager_.Skin().DrawSized(canvas.dc(), kElementPushButton, 2, {10, 10, 10 + W, 10 + H}));
    auto at = [&](int x, int y) { return canvas.Pixel(10 + x, 10 + y); };
    auto expect = [](std::uint32_t source) { return source == kPink ? kBackground : source; };

    // Corners: 4 x 3 pixels each, copied as they are.
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(at(x, y), expect(ButtonPixel(2, x, y)));
            EXPECT_EQ(at(W - 4 + x, y), ButtonPixel(2, kFrameW - 4 + x, y));
            EXPECT_EQ(at(x, H - 3 + y), ButtonPixel(2, x, kFrameH - 3 + y));
            EXPECT_EQ(at(W - 4 + x, H - 3 + y), ButtonPixel(2, kFrameW - 4 + x, kFrameH - 3 + y));
        }
    }
    // Left and right edges keep their width and stretch down; top and bottom edges keep their height and stretch
    // across; the centre stretches both ways. Each drawn pixel is one of the source's pixels of that part, and
    // source columns and rows keep their order.
    auto sourceColumn = [](std::uint32_t pixel) { return int((pixel >> 16) - 40) / 6; };
    auto sourceRow = [](std::uint32_t pixel) { return int(((pixel >> 8) & 0xFF) - 20) / 10; };
    int lastColumn = -1;
    for (int x = 0; x < W; ++x) {
        const std::uint32_t top = at(x, 1);
        ASSERT_NE(top, kBackground);
        const int column = sourceColumn(top);
        EXPECT_GE(column, lastColumn) << x;
        lastColumn = column;
        EXPECT_EQ(sourceRow(top), 1);
        if (x < 4 || x >= W - 4) {
            EXPECT_EQ(column, x < 4 ? x : kFrameW - (W - x)) << x;
        } else {
            EXPECT_TRUE(column >= 4 && column < kFrameW - 4) << x;
        }
    }
    int lastRow = -1;
    for (int y = 0; y < H; ++y) {
        const std::uint32_t left = at(1, y);
        const int row = sourceRow(left);
        EXPECT_GE(row, lastRow) << y;
        lastRow = row;
        EXPECT_EQ(sourceColumn(left), 1);
        if (y >= 3 && y < H - 3) {
            EXPECT_TRUE(row >= 3 && row < kFrameH - 3) << y;
        }
    }
    // Nothing magenta reaches the target, and the centre's magenta pixel leaves the background showing.
    int backgroundInCentre = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            ASSERT_NE(canvas.Pixel(x, y), kPink);
            backgroundInCentre += x >= 14 && x < 6 + W && y >= 13 && y < 7 + H && canvas.Pixel(x, y) == kBackground;
        }
    }
    EXPECT_GT(backgroundInCentre, 0);
    EXPECT_EQ(at(0, 0), kBackground);
    EXPECT_EQ(canvas.Pixel(9, 9), kBackground);
    EXPECT_EQ(canvas.Pixel(10 + W, 10 + H), kBackground);

    // Drawn again at that size, from what the first drawing kept: the same pixels.
    test::DibCanvas again(W + 20, H + 20, kBackground);
    ASSERT_TRUE(manager_.Skin().DrawSized(again.dc(), kElementPushButton, 2, {10, 10, 10 + W, 10 + H}));
    EXPECT_EQ(again.Snapshot().pixels, canvas.Snapshot().pixels);
    // A skin loaded again draws its new image, not what was kept from the old one.
    test::WriteBmp(dir_.File("button.bmp"), RgbImage(4 * kFrameW, kFrameH, 0x0A0B0C));
    manager_.LoadSkin(dir_.File("skin.ini").c_str());
    ASSERT_TRUE(manager_.Skin().DrawSized(again.dc(), kElementPushButton, 2, {10, 10, 10 + W, 10 + H}));
    EXPECT_EQ(again.Pixel(10 + W / 2, 10 + H / 2), 0x0A0B0Cu);
}

TEST_F(SkinDrawing, RequestsThatDrawNothing) {
    test::DibCanvas canvas(60, 40, kBackground);
    struct Row {
        const char* name;
        int id, frame;
        RECT rect;
        bool result;
    } rows[] = {
        {"empty rectangle", kElementPushButton, 0, {10, 10, 10, 30}, false},
        {"reversed rectangle", kElementPushButton, 0, {40, 10, 10, 30}, false},
        {"element without image", kElementGroupBox, 0, {0, 0, 30, 20}, false},
        {"element without frames", kElementEdit, 0, {0, 0, 30, 20}, false},
        {"no such element", kElementCount, 0, {0, 0, 30, 20}, false},
        {"frame beyond the strip", kElementPushButton, 4, {0, 0, 60, 40}, true},
        {"negative frame", kElementPushButton, -1, {0, 0, 60, 40}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(manager_.Skin().DrawSized(canvas.dc(), row.id, row.frame, row.rect), row.result);
        EXPECT_EQ(manager_.Skin().DrawFrame(canvas.dc(), row.id, row.frame, row.rect, ILD_TRANSPARENT), row.result);
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x)
                ASSERT_EQ(canvas.Pixel(x, y), kBackground) << x << "," << y;
    }
}

TEST_F(SkinDrawing, RectanglesSmallerThanTheMarginsStayInside) {
    for (RECT rect : {RECT{10, 10, 15, 14}, RECT{10, 10, 11, 11}, RECT{10, 10, 17, 40}}) {
        SCOPED_TRACE(std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top));
        test::DibCanvas canvas(50, 50, kBackground);
        ASSERT_TRUE(manager_.Skin().DrawSized(canvas.dc(), kElementPushButton, 1, rect));
        int drawn = 0;
        for (int y = 0; y < canvas.Height(); ++y) {
            for (int x = 0; x < canvas.Width(); ++x) {
                const POINT p{x, y};
                ASSERT_NE(canvas.Pixel(x, y), kPink);
                if (!PtInRect(&rect, p)) {
                    ASSERT_EQ(canvas.Pixel(x, y), kBackground) << x << "," << y;
                } else {
                    drawn += canvas.Pixel(x, y) != kBackground;
                }
            }
        }
        EXPECT_GT(drawn, 0);
    }
}

TEST_F(SkinDrawing, FillSolidKeepsTheBackgroundColour) {
    test::DibCanvas canvas(20, 20, kBackground);
    LoadedSkin::FillSolid(canvas.dc(), {2, 3, 12, 8}, test::ToColorRef(0x336699));
    EXPECT_EQ(canvas.Pixel(2, 3), 0x336699u);
    EXPECT_EQ(canvas.Pixel(11, 7), 0x336699u);
    EXPECT_EQ(canvas.Pixel(12, 7), kBackground);
    EXPECT_EQ(canvas.Pixel(11, 8), kBackground);
    EXPECT_EQ(GetBkColor(canvas.dc()), test::ToColorRef(0x336699));
}

TEST_F(SkinDrawing, MissingImagesAreRetriedOnRequest) {
    EXPECT_FALSE(manager_.Skin().HasElementImage(kElementGroupBox));
    EXPECT_EQ(manager_.Skin().Element(kElementGroupBox).margins.left, 5); // the other keys stay in force
    EXPECT_EQ(manager_.Skin().Element(kElementGroupBox).margins.bottom, 8);
    test::DibCanvas canvas(40, 40, kBackground);
    EXPECT_FALSE(manager_.Skin().DrawSized(canvas.dc(), kElementGroupBox, 0, {0, 0, 30, 20}));

    test::WriteBmp(dir_.File("missing.bmp"), RgbImage(16, 16, 0x445566));
    EXPECT_FALSE(manager_.Skin().HasElementImage(kElementGroupBox)); // asking never loads
    EXPECT_TRUE(manager_.Skin().DrawSized(canvas.dc(), kElementGroupBox, 0, {0, 0, 30, 20}));
    EXPECT_TRUE(manager_.Skin().HasElementImage(kElementGroupBox));
    EXPECT_EQ(canvas.Pixel(29, 19), 0x445566u);
}

TEST_F(SkinDrawing, SkinPathRules) {
    struct Row {
        const char* name;
        std::string path;
        bool loads;
        std::string skinPath;
    } rows[] = {
        {"file", dir_.File("skin.ini"), true, dir_.File("skin.ini")},
        {"directory", dir_.Path().string(), true, dir_.Path().string() + "\\skin.ini"},
        {"directory with backslashes", dir_.Path().string() + "\\\\", true, dir_.Path().string() + "\\skin.ini"},
        {"missing", dir_.File("nowhere\\skin.ini"), false, dir_.File("nowhere\\skin.ini")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        manager_.LoadSkin(row.path.c_str());
        EXPECT_EQ(manager_.Skin().SkinPath(), row.skinPath);
        EXPECT_EQ(manager_.Skin().HasElementImage(kElementPushButton), row.loads);
        EXPECT_EQ(manager_.Skin().HasElementImage(kElementCaption), row.loads);
    }
}

TEST_F(SkinDrawing, MissingOrUnreadableSkinKeepsTheGlobalSettings) {
    test::WriteFile(dir_.File("skin.ini"), "[SysMetrics]\nUseTransparency=1\nCaptionFont=Tahoma, 13, 400\n");
    test::WriteFile(dir_.File("locked.ini"), "[SysMetrics]\nCaptionFont=Arial, 9, 700\n"
                                             "[Button.Pushbutton]\nImageFile=button.bmp\n");
    CreateDirectoryA(dir_.File("empty").c_str(), nullptr);
    // Held open without sharing: the file is there, but the skin reader cannot open it.
    const platform::UniqueFile lock = platform::OwnFile(
        CreateFileA(dir_.File("locked.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    const struct {
        const char* name;
        std::string path;
    } rows[] = {
        {"absent", dir_.File("absent.ini")},
        {"folder without a skin file", dir_.File("empty")},
        {"unreadable", dir_.File("locked.ini")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        manager_.LoadSkin(dir_.File("skin.ini").c_str());
        ASSERT_EQ(manager_.Skin().Settings().useTransparency, 1);
        manager_.LoadSkin(row.path.c_str());
        EXPECT_EQ(manager_.Skin().Settings().useTransparency, 1);
        EXPECT_EQ(manager_.Skin().Settings().captionFont.face, "Tahoma");
        for (int id = 0; id < kElementCount; ++id)
            EXPECT_FALSE(manager_.Skin().HasElementImage(id)) << id;
    }
}

// The default skin as the build places it beside the executables.
TEST(DefaultSkin, LoadsFromBesideTheExecutable) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    path = path.substr(0, path.find_last_of('\\') + 1) + "skins\\Tarnvale\\skin.ini";
    ASSERT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;

    SkinManager manager;
    manager.LoadSkin(path.c_str());
    for (int id = 0; id < kElementCount; ++id) {
        SCOPED_TRACE(kElementTable[id].section);
        const SkinElement& element = manager.Skin().Element(id);
        if (kElementTable[id].frames == 0) {
            EXPECT_FALSE(manager.Skin().HasElementImage(id));
            continue;
        }
        ASSERT_TRUE(manager.Skin().HasElementImage(id));
        EXPECT_EQ(ImageList_GetImageCount(manager.Skin().LoadElement(id)), kElementTable[id].frames);
        EXPECT_GT(element.frame.width, 0);
        EXPECT_GT(element.frame.height, 0);
    }
}

} // namespace
} // namespace tarnvale
