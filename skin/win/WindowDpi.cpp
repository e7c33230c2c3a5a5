// The window's DPI, looked up at run time so that the program still starts on systems without per-monitor DPI.
#include "skin/win/WindowDpi.h"

#include "skin/DpiScale.h"
#include "skin/win/GdiHandles.h"

namespace tarnvale {

int WindowDpi(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const HMODULE user = GetModuleHandleA("user32.dll");
    const auto forWindow =
        window && user
            ? reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")))
            : nullptr;
    if (forWindow) {
        if (const UINT dpi = forWindow(window))
            return int(dpi);
    }
    WindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}

} // namespace tarnvale
