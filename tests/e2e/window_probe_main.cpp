// tarnvale-window-probe CAPTION: whether the top-level window with that caption is drawn by the skin engine, for
// the end-to-end tests that start the Windows program as a process of its own. A skinned dialog makes its magenta
// pixels see-through, so it is layered or has a window region; the standard look is neither.
#include <windows.h>

#include <cstdio>

namespace {

bool Skinned(HWND window) {
    RECT box;
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0 || GetWindowRgnBox(window, &box) != ERROR;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnvale-window-probe CAPTION\n");
        return 2;
    }
    // The window shapes its frame when it first paints, a moment after it appears; it is looked at until then.
    constexpr DWORD kWaitMs = 60000;
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while (GetTickCount() - start < kWaitMs) {
        window = FindWindowA(nullptr, argv[1]);
        if (window && Skinned(window)) {
            std::printf("skinned\n");
            return 0;
        }
        Sleep(50);
    }
    std::printf(window ? "the standard look\n" : "no such window\n");
    return 1;
}
