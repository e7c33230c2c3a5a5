// The skinned frame of the main window at the screen's DPI: one frame paint against the standard frame's WM_NCPAINT on
// a second main window left unskinned, timed in turns, the window region cut from the frame, against reading the frame
// one pixel at a time, and the preparing of the skin for a new DPI. Run it under cmake/wine-run-at-dpi.sh for another
// DPI than 96.
#include "BenchTiming.h"
#include "WinBench.h"
#include "res/resource.h"
#include "skin/win/FrameShape.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WindowDpi.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace tarnvale;

namespace {

// The region as one GetPixel per pixel reads it, for comparison.
HRGN RegionPixelByPixel(HDC hdc, int width, int height, const RECT& client) {
    HRGN region = CreateRectRgn(0, 0, width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const POINT p{x, y};
            if (!PtInRect(&client, p) && GetPixel(hdc, x, y) == RGB(255, 0, 255)) {
                UniqueRegion pixel(CreateRectRgn(x, y, x + 1, y + 1));
                CombineRgn(region, region, pixel.get(), RGN_XOR);
            }
        }
    }
    return region;
}

} // namespace

int main() {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string skinDir = module;
    skinDir = skinDir.substr(0, skinDir.find_last_of('\\') + 1) + "skins\\Tarnvale";

    // Two main windows, one left standard and one skinned, timed in turns: the machine's load then weighs on both
    // sides alike, where timing one side after the other lets a change of load show as a change of ratio.
    const HWND standardWindow =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, bench::PlainDialogProc, 0);
    const HWND window =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, bench::PlainDialogProc, 0);
    if (!standardWindow || !window) {
        std::fprintf(stderr, "cannot create the main window's dialog\n");
        return 1;
    }
    SetWindowPos(standardWindow, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetWindowPos(window, HWND_TOP, 80, 80, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    bench::PumpPending();

    SkinManager skins;
    const int dpi = WindowDpi(window);
    skins.SetDpi(dpi);
    skins.LoadSkin(skinDir.c_str());
    skins.AttachDialog(window);
    SkinDialog* skin = skins.FindDialog(window);
    if (!skin || !skin->IsFrameSkinned()) {
        std::fprintf(stderr, "the default skin in %s did not load\n", skinDir.c_str());
        return 1;
    }
    SendMessageA(window, WM_SKINCHANGED, 0, 0);
    bench::PumpPending();

    constexpr int kPaints = 200, kRuns = 9;
    double standard = 1e9, skinned = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        standard = std::min(standard, bench::BestSeconds(1, [&] {
                                for (int i = 0; i < kPaints; ++i)
                                    SendMessageA(standardWindow, WM_NCPAINT, 1, 0);
                                GdiFlush();
                            }));
        skinned = std::min(skinned, bench::BestSeconds(1, [&] {
                               for (int i = 0; i < kPaints; ++i)
                                   skin->PaintFrame();
                               GdiFlush();
                           }));
    }

    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    WindowDC dc(window);
    const FrameMetrics frame = SkinFrameMetrics(skins);
    constexpr int kRegions = 20;
    const double region = bench::BestSeconds(kRuns, [&] {
        for (int i = 0; i < kRegions; ++i)
            UniqueRegion made(CutFrameRegion(dc.get(), {0, 0, width, height}, frame));
    });
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -rect.left, -rect.top);
    UniqueRegion fast(CutFrameRegion(dc.get(), {0, 0, width, height}, frame));
    UniqueRegion slow;
    const double perPixel =
        bench::BestSeconds(1, [&] { slow.reset(RegionPixelByPixel(dc.get(), width, height, client)); });

    // Preparing the skin for a DPI: every element's image read and resampled, from another DPI each time.
    constexpr int kDpis[] = {96, 144, 192};
    double prepare[3] = {1e9, 1e9, 1e9};
    for (int run = 0; run < kRuns; ++run) {
        for (int i = 0; i < 3; ++i) {
            skins.SetDpi(kDpis[(i + 1) % 3]);
            prepare[i] = std::min(prepare[i], bench::BestSeconds(1, [&] { skins.SetDpi(kDpis[i]); }));
        }
    }
    skins.SetDpi(dpi);

    std::printf("main window %d x %d at %d DPI, default skin (best of %d runs of %d paints, in turns)\n", width, height,
                dpi, kRuns, kPaints);
    std::printf("standard frame, WM_NCPAINT:      %8.1f us\n", standard / kPaints * 1e6);
    std::printf("skinned frame, PaintFrame:       %8.1f us  (%.2fx the standard frame)\n", skinned / kPaints * 1e6,
                skinned / standard);
    std::printf("CutFrameRegion, frame at once:   %8.1f us\n", region / kRegions * 1e6);
    std::printf("one GetPixel per pixel instead:  %8.1f us  (same region: %s)\n", perPixel * 1e6,
                EqualRgn(fast.get(), slow.get()) ? "yes" : "NO");
    for (int i = 0; i < 3; ++i)
        std::printf("prepare the skin for %3d DPI:     %8.1f us\n", kDpis[i], prepare[i] * 1e6);
    DestroyWindow(window);
    DestroyWindow(standardWindow);
    return 0;
}
