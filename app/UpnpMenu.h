// The window's way to its UPnP side: one item in its system menu that turns it on and off for this run, named with
// what TVs list the server as. Where the build has no UPnP side the item is there, greyed, and says so.
#pragma once

#include <windows.h>

#include <string>

namespace tarnvale {

// A system-menu command id: below 0xF000 and with the low four bits clear, beside the HTTP side's.
inline constexpr UINT kUpnpMenuCommand = 0x0130;
inline constexpr const char* kUpnpAbsentMenuText = "Found by TVs and apps: not in this build";

// "Found by TVs and apps as "Living room"", or the absent text.
std::string UpnpMenuText(bool available, const std::string& name);

// Appends the item to window's system menu, checked when on.
void AddUpnpMenuItem(HWND window, bool available, const std::string& name, bool on);
void CheckUpnpMenuItem(HWND window, bool on);

} // namespace tarnvale
