// The skinned frame of the main window: one frame paint against the standard frame's WM_NCPAINT on the same
// window before it is skinned, and the window region cut from the frame, against reading the frame one pixel at
// a time.
#include "BenchTiming.h"
#include "res/resource.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinManager.h"

#include <windows.h>

#include <cstdio>
#include <string>

using namespace tarnvale;

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

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

    const HWND window =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, PlainDialogProc, 0);
    if (!window) {
        std::fprintf(stderr, "cannot create the main window's dialog\n");
        return 1;
    }
    SetWindowPos(window, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();

    constexpr int kPaints = 200, kRuns = 5;
    const double standard = bench::BestSeconds(kRuns, [&] {
        for (int i = 0; i < kPaints; ++i)
            SendMessageA(window, WM_NCPAINT, 1, 0);
        GdiFlush();
    });

    // The same window, skinned.
    SkinManager skins;
    skins.LoadSkin(skinDir.c_str());
    skins.AttachDialog(window);
    SkinDialog* skin = skins.FindDialog(window);
    if (!skin || !skin->IsFrameSkinned()) {
        std::fprintf(stderr, "the default skin in %s did not load\n", skinDir.c_str());
        return 1;
    }
    SendMessageA(window, WM_SKINCHANGED, 0, 0);
    Pump();
    const double skinned = bench::BestSeconds(kRuns, [&] {
        for (int i = 0; i < kPaints; ++i)
            skin->PaintFrame();
        GdiFlush();
    });

    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    WindowDC dc(window);
    constexpr int kRegions = 20;
    const double region = bench::BestSeconds(kRuns, [&] {
        for (int i = 0; i < kRegions; ++i)
            UniqueRegion made(skin->BuildRegion(dc.get(), {0, 0, width, height}));
    });
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -rect.left, -rect.top);
    UniqueRegion fast(skin->BuildRegion(dc.get(), {0, 0, width, height}));
    UniqueRegion slow;
    const double perPixel =
        bench::BestSeconds(1, [&] { slow.reset(RegionPixelByPixel(dc.get(), width, height, client)); });

    std::printf("main window %d x %d, default skin\n", width, height);
    std::printf("standard frame, WM_NCPAINT:      %8.1f us\n", standard / kPaints * 1e6);
    std::printf("skinned frame, PaintFrame:       %8.1f us  (%.2fx the standard frame)\n", skinned / kPaints * 1e6,
                skinned / standard);
    std::printf("BuildRegion, frame read at once: %8.1f us\n", region / kRegions * 1e6);
    std::printf("one GetPixel per pixel instead:  %8.1f us  (same region: %s)\n", perPixel * 1e6,
                EqualRgn(fast.get(), slow.get()) ? "yes" : "NO");
    DestroyWindow(window);
    return 0;
}
