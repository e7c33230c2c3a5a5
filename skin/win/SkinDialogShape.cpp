// The skinned dialog's shape: the frame's magenta pixels made see-through by a layered window's colour key, and
// taken off again.
#include "skin/win/SkinDialog.h"

#include "skin/win/LoadedSkin.h"

namespace tarnvale {

void SkinDialog::RemoveShape() {
    if (!addedLayered_)
        return;
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
    SetWindowLongPtrA(window_, GWL_EXSTYLE, LONG_PTR(exStyle & ~DWORD(WS_EX_LAYERED)));
    addedLayered_ = false;
}

void SkinDialog::ApplyShape() {
    if (!shapePending_)
        return;
    shapePending_ = false;
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE));
    if (!(exStyle & WS_EX_LAYERED)) {
        SetWindowLongPtrA(window_, GWL_EXSTYLE, LONG_PTR(exStyle | WS_EX_LAYERED));
        addedLayered_ = true;
    }
    SetLayeredWindowAttributes(window_, kMagenta, 0, LWA_COLORKEY);
}

} // namespace tarnvale
