// The window's DPI, looked up at run time so that the program still starts on systems without per-monitor DPI.
#include "skin/win/WindowDpi.h"

#include "skin/DpiScale.h"
#include "skin/win/GdiHandles.h"

namespace tarnvale {

namespace {

// A function of user32 that older systems lack; null there.
template <typename Function>
Function UserFunction(const char* name) {
    const HMODULE user = GetModuleHandleA("user32.dll");
    return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

} // namespace

int WindowDpi(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const auto forWindow = window ? UserFunction<DpiForWindow>("GetDpiForWindow") : nullptr;
    if (forWindow) {
        if (const UINT dpi = forWindow(window))
            return int(dpi);
    }
    WindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}

int SystemMetricAtDpi(int index, int dpi) {
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    if (const auto forDpi = UserFunction<MetricsForDpi>("GetSystemMetricsForDpi"))
        return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, WindowDpi(nullptr));
}

} // namespace tarnvale
