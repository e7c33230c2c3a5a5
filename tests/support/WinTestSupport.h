// Helpers for skin tests on real windows: bounded message pumps, a DIB canvas and what a window shows read back
// into one, in-memory dialog templates and skins written to a temporary directory.
#pragma once

#include "skin/RgbImage.h"
#include "skin/win/DibCanvas.h"
#include "skin/win/GdiHandles.h"
#include "skin/win/SkinRegistry.h"
#include "support/TempDir.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnvale::test {

// The window and every window inside it, the window first.
inline std::vector<HWND> WindowAndDescendants(HWND window) {
    std::vector<HWND> windows{window};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// How many of windows the registry holds a skin object for, asked window by window.
inline std::size_t SkinnedAmong(const SkinRegistry& registry, const std::vector<HWND>& windows) {
    std::size_t skinned = 0;
    for (HWND window : windows)
        skinned += registry.Find(window) != nullptr;
    return skinned;
}

// Dispatches this thread's messages until done() holds or timeoutMs passes; waits block on the queue, never sleep.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000,
                      const std::function<void(const MSG&)>& seen = nullptr) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (seen)
                seen(msg);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (done())
                return true;
        }
        if (done())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

// Dispatches whatever is queued now.
inline void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The skin's canvas, which the tests read what they drew from.
using tarnvale::DibCanvas;

// What area (in window coordinates; the whole window when empty) of the window shows on the screen, non-client
// area included.
inline RgbImage ScreenImage(HWND window, RECT area = {}) {
    if (IsRectEmpty(&area)) {
        GetWindowRect(window, &area);
        OffsetRect(&area, -area.left, -area.top);
    }
    DibCanvas canvas(area.right - area.left, area.bottom - area.top, 0);
    HDC dc = GetWindowDC(window);
    BitBlt(canvas.dc(), 0, 0, canvas.Width(), canvas.Height(), dc, area.left, area.top, SRCCOPY);
    ReleaseDC(window, dc);
    return canvas.Snapshot();
}

// The pixel at (x, y) of the window as it is on the screen.
inline std::uint32_t ScreenPixel(HWND window, POINT at) {
    return ScreenImage(window, {at.x, at.y, at.x + 1, at.y + 1}).At(0, 0);
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
}

inline void WriteBmp(const std::string& path, const RgbImage& image) {
    const std::vector<std::uint8_t> bytes = EncodeBmp24(image);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// COLORREF (0x00BBGGRR) of an 0xRRGGBB colour, and back.
inline COLORREF ToColorRef(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
inline std::uint32_t FromColorRef(COLORREF colour) {
    return std::uint32_t(GetRValue(colour)) << 16 | std::uint32_t(GetGValue(colour)) << 8 | GetBValue(colour);
}

// A dialog template built in memory, so a test can hold any mix of controls and styles.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, DWORD exStyle, short cx, short cy, const char* title,
                   const char* font = "MS Shell Dlg") {
        Dword(style | DS_SETFONT);
        Dword(exStyle);
        countAt_ = words_.size();
        Word(0);
        Box(0, 0, cx, cy);
        Word(0); // no menu
        Word(0); // the predefined dialog class
        Text(title);
        Word(8);
        Text(font);
    }

    DialogTemplate& Add(const char* className, const char* text, DWORD style, DWORD exStyle, short x, short y, short cx,
                        short cy, WORD id) {
        if (words_.size() % 2)
            Word(0); // items start on a 4-byte boundary
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(exStyle);
        Box(x, y, cx, cy);
        Word(id);
        Text(className);
        Text(text);
        Word(0); // no creation data
        ++words_[countAt_];
        return *this;
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Word(WORD w) { words_.push_back(w); }
    void Box(short x, short y, short cx, short cy) {
        for (short v : {x, y, cx, cy})
            Word(static_cast<WORD>(v));
    }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const char* text) {
        for (; *text; ++text)
            Word(static_cast<unsigned char>(*text));
        Word(0);
    }

    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

} // namespace tarnvale::test
