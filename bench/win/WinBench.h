// Helpers of the benchmarks of real windows: a dialog procedure that adds nothing to its template, and a pump of
// what is queued.
#pragma once

#include <windows.h>

namespace tarnvale::bench {

// A dialog with its template's controls and nothing of the program's own behaviour.
inline INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// Dispatches whatever is queued now.
inline void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace tarnvale::bench
