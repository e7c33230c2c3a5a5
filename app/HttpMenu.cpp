// The HTTP side's system-menu items.
#include "app/HttpMenu.h"

#include "app/WinApp.h"
#include "net/HostAddress.h"

#include <shellapi.h>

#include <cstring>

namespace tarnvale {

std::string HttpPageAddress(std::uint16_t port) {
    std::string address;
    if (!GetHostAddress(address, nullptr))
        address = "127.0.0.1";
    return "http://" + address + ":" + std::to_string(port) + "/";
}

std::string HttpPlayerAddress(std::uint16_t port) {
    return HttpPageAddress(port) + "programs.m3u8";
}

void AddHttpMenuItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kOpenCataloguePageCommand, kOpenCataloguePageText);
    AppendMenuA(menu, MF_STRING, kCopyPlayerAddressCommand, kCopyPlayerAddressText);
}

bool RunHttpMenuCommand(HWND window, WPARAM command, std::uint16_t port) {
    switch (command & 0xFFF0) {
    case kOpenCataloguePageCommand: {
        const std::string page = HttpPageAddress(port);
        // ShellExecute reports failure as a value of 32 or less.
        const auto opened =
            reinterpret_cast<INT_PTR>(ShellExecuteA(window, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (opened <= 32)
            ShowMessage(window, "No browser could be started for " + page +
                                    ".\n\nOpen that address in a browser yourself, or set a default browser.");
        return true;
    }
    case kCopyPlayerAddressCommand:
        if (!CopyToClipboard(window, HttpPlayerAddress(port)))
            ShowMessage(window, "The clipboard is in use by another program. Try again in a moment.");
        return true;
    default:
        return false;
    }
}

bool CopyToClipboard(HWND owner, const std::string& text) {
    const int wide = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(wide) * sizeof(wchar_t));
    if (!memory)
        return false;
    if (auto* into = static_cast<wchar_t*>(GlobalLock(memory))) {
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, into, wide);
        GlobalUnlock(memory);
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    // Once set, the memory is the clipboard's.
    const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!set)
        GlobalFree(memory);
    return set;
}

} // namespace tarnvale
