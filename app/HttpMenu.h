// The window's way to its HTTP side: two items in its system menu, one opening the catalogue page in the default
// browser and one copying the playlist's address for a player. The dialog templates stay as they are.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tarnvale {

// System-menu command ids: below 0xF000 and with the low four bits clear, as the system asks of its own.
inline constexpr UINT kOpenCataloguePageCommand = 0x0110;
inline constexpr UINT kCopyPlayerAddressCommand = 0x0120;
inline constexpr const char* kOpenCataloguePageText = "Open the catalogue page";
inline constexpr const char* kCopyPlayerAddressText = "Copy the player address";

// "http://ADDRESS:PORT/": this machine's address as the host line shows it, so other machines reach it too.
std::string HttpPageAddress(std::uint16_t port);
// The playlist a player opens: every program, in catalogue order.
std::string HttpPlayerAddress(std::uint16_t port);

// Appends the two items to window's system menu.
void AddHttpMenuItems(HWND window);

// Carries out a WM_SYSCOMMAND that is one of the two items, for the HTTP side on port; false for any other.
bool RunHttpMenuCommand(HWND window, WPARAM command, std::uint16_t port);

// Puts text on the clipboard as Unicode text; false with nothing changed when the clipboard cannot be had.
bool CopyToClipboard(HWND owner, const std::string& text);

} // namespace tarnvale
