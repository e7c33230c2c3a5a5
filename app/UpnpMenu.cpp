// The UPnP side's system-menu item.
#include "app/UpnpMenu.h"

namespace tarnvale {

std::string UpnpMenuText(bool available, const std::string& name) {
    return available ? "Found by TVs and apps as \"" + name + "\"" : kUpnpAbsentMenuText;
}

void AddUpnpMenuItem(HWND window, bool available, const std::string& name, bool on) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    const UINT state = (available ? MF_ENABLED : MF_GRAYED) | (on ? MF_CHECKED : MF_UNCHECKED);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | state, kUpnpMenuCommand, UpnpMenuText(available, name).c_str());
}

void CheckUpnpMenuItem(HWND window, bool on) {
    if (HMENU menu = GetSystemMenu(window, FALSE))
        CheckMenuItem(menu, kUpnpMenuCommand, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

} // namespace tarnvale
