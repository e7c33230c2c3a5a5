// Real mouse input for tests of code that reads the cursor from its messages: the cursor moved and buttons pressed
// through the system's input queue, driven by a helper thread while the window's own thread goes on dispatching
// (and may sit in a modal loop of the code under test). Every wait is bounded.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

namespace tarnvale::test {

// Waits until condition holds, looking again every few milliseconds; false when timeoutMs passed first.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(2);
    }
    return true;
}

// The window that holds the mouse capture on a thread, or null.
inline HWND CaptureOf(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId, &info) ? info.hwndCapture : nullptr;
}

// Mouse input made on the thread that owns the windows, whichever thread asks for it: the input goes in through a
// message-only window of that thread, and so keeps its order with the pointer events the display sends back for
// each move (a move made on another thread can be followed by a late echo of the one before). The window's thread
// must be dispatching or waiting in a message loop while another thread asks.
class RealInput {
public:
    // Made on the thread whose windows get the input.
    RealInput() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &RealInput::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    }
    ~RealInput() { DestroyWindow(window_); }
    RealInput(const RealInput&) = delete;
    RealInput& operator=(const RealInput&) = delete;

    // Moves the cursor to a point of the primary screen as a mouse would: the window under it gets a move message
    // carrying the point.
    void MoveTo(POINT to) const {
        const LONG width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        // Absolute positions are in 1/65536 of the screen; rounded up, they land on the pixel meant.
        auto normalise = [](LONG v, LONG extent) { return LONG((LONGLONG(v) * 65536 + extent - 1) / extent); };
        Send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {normalise(to.x, width), normalise(to.y, height)});
    }
    void LeftDown() const { Send(MOUSEEVENTF_LEFTDOWN); }
    void LeftUp() const { Send(MOUSEEVENTF_LEFTUP); }
    void RightDown() const { Send(MOUSEEVENTF_RIGHTDOWN); }
    void RightUp() const { Send(MOUSEEVENTF_RIGHTUP); }

private:
    static constexpr const char* kClassName = "TarnvaleRealInput";
    static constexpr UINT kInput = WM_APP + 1; // wParam: the mouse event flags; lParam: the POINT to move to

    void Send(DWORD flags, POINT at = {}) const { SendMessageA(window_, kInput, flags, reinterpret_cast<LPARAM>(&at)); }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kInput)
            return DefWindowProcA(window, message, wParam, lParam);
        const POINT at = *reinterpret_cast<const POINT*>(lParam);
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = at.x;
        input.mi.dy = at.y;
        input.mi.dwFlags = static_cast<DWORD>(wParam);
        SendInput(1, &input, sizeof(input));
        return 0;
    }

    HWND window_ = nullptr;
};

// Runs input on a helper thread while this thread dispatches its messages (so that the helper's requests to this
// thread are served); true when the helper finished within timeoutMs. Its own waits must be bounded: it is always
// waited for.
inline bool RunWhilePumping(const std::function<void()>& input, DWORD timeoutMs = 10000) {
    std::atomic<bool> done{false};
    std::thread helper([&] {
        input();
        done = true;
    });
    const DWORD start = GetTickCount();
    for (bool last = false; !last;) {
        last = done;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!last)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    helper.join();
    return GetTickCount() - start < timeoutMs;
}

} // namespace tarnvale::test
