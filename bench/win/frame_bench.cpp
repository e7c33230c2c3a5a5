// The skinned frame of the main window at the screen's DPI: one frame paint against the standard frame's WM_NCPAINT on
// a second main window left unskinned, timed in turns, and the preparing of the skin for a new DPI. Run it under
// cmake/wine-run-at-dpi.sh for another DPI than 96.
#include "BenchTiming.h"
#include "WinBench.h"
#include "res/resource.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinManager.h"
#include "skin/win/WindowDpi.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace tarnvale;

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
    skins.Skin().SetDpi(dpi);
    skins.LoadSkin(skinDir.c_str());
    skins.Registry().AttachDialog(window);
    SkinDialog* skin = skins.Registry().FindDialog(window);
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
    // Preparing the skin for a DPI: every element's image read and resampled, from another DPI each time.
    constexpr int kDpis[] = {96, 144, 192};
    double prepare[3] = {1e9, 1e9, 1e9};
    for (int run = 0; run < kRuns; ++run) {
        for (int i = 0; i < 3; ++i) {
            skins.Skin().SetDpi(kDpis[(i + 1) % 3]);
            prepare[i] = std::min(prepare[i], bench::BestSeconds(1, [&] { skins.Skin().SetDpi(kDpis[i]); }));
        }
    }
    skins.Skin().SetDpi(dpi);

    std::printf("main window %d x %d at %d DPI, default skin (best of %d runs of %d paints, in turns)\n", width, height,
                dpi, kRuns, kPaints);
    std::printf("standard frame, WM_NCPAINT:      %8.1f us\n", standard / kPaints * 1e6);
    std::printf("skinned frame, PaintFrame:       %8.1f us  (%.2fx the standard frame)\n", skinned / kPaints * 1e6,
                skinned / standard);
    for (int i = 0; i < 3; ++i)
        std::printf("prepare the skin for %3d DPI:     %8.1f us\n", kDpis[i], prepare[i] * 1e6);
    DestroyWindow(window);
    DestroyWindow(standardWindow);
    return 0;
}
