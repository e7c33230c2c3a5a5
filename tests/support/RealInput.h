// Real mouse input for window tests: the cursor put where a user would put it and the left button pressed and
// released through the system's input queue, so that code that reads the cursor (GetCursorPos) or tracks a press
// sees what a user's mouse would give it.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace tarnvale::test {

inline bool MoveCursor(POINT screen) {
    return SetCursorPos(screen.x, screen.y) != FALSE;
}

// Presses (down) or releases the left button where the cursor is.
inline bool SendLeftButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    return SendInput(1, &input, sizeof(input)) == 1;
}

// Runs input on a helper thread while this thread dispatches its messages, until input has returned and done()
// holds or timeoutMs passes; the wait blocks on the queue, never sleeps. Input whose handling opens a modal loop
// on this thread (a press that the system tracks itself) can thus be followed by more input from the helper.
inline bool RunInputWhilePumping(const std::function<void()>& input, const std::function<bool()>& done,
                                 DWORD timeoutMs = 5000) {
    std::atomic<bool> finished{false};
    std::thread helper([&] {
        input();
        finished = true;
    });
    const DWORD start = GetTickCount();
    bool met = false;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (finished && done()) {
            met = true;
            break;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            break;
        // Short slices: the helper's end is no message that would wake the wait.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - elapsed, 10), QS_ALLINPUT);
    }
    helper.join();
    return met;
}

} // namespace tarnvale::test
