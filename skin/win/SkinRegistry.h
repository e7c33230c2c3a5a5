// The skinned windows: the skin objects given to dialogs and their controls (by the control kinds' table), found
// from a window, and detached when the skin gives windows back or windows go.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tarnvale {

class LoadedSkin;
class SkinControl;
class SkinDialog;
class SkinWindow;

class SkinRegistry {
public:
    // The skin objects draw from skin.
    explicit SkinRegistry(LoadedSkin& skin);
    // Gives every still-skinned window back.
    ~SkinRegistry();
    SkinRegistry(const SkinRegistry&) = delete;
    SkinRegistry& operator=(const SkinRegistry&) = delete;

    void AttachDialog(HWND window);
    // Gives a control the skin object that its class and style call for, if any.
    void AttachControl(HWND window);
    // AttachControl for each direct child, in z-order.
    void AttachChildren(HWND parent);
    // Takes the skin off a window that lives on: its own procedure alone handles it again, and a dialog gets its
    // size from before skinning back.
    void Detach(HWND window);
    // Gives every window back; the registries are empty afterwards.
    void DetachAll();
    // Forgets a window that is being destroyed, giving nothing back.
    void Forget(HWND window);
    // Frees an object taken off its window once the last of its messages has returned.
    void Dispose(SkinWindow& object);

    SkinControl* FindControl(HWND window) const;
    SkinDialog* FindDialog(HWND window) const;
    // The skin object of window, dialog or control; null for a window the registry does not hold.
    SkinWindow* Find(HWND window) const;
    // The skin has changed (another skin read, or another DPI): every skinned dialog that is still skinned when its
    // turn comes is told with WM_SKINCHANGED, and every control has its non-client area computed again, so that its
    // bars take the room they now have.
    void SkinChanged();

private:
    template <typename Object>
    using Registry = std::unordered_map<HWND, std::unique_ptr<Object>>;

    template <typename Object>
    void Detach(Registry<Object>& registry, HWND window, bool giveBack);

    LoadedSkin& skin_;
    Registry<SkinControl> controls_;
    Registry<SkinDialog> dialogs_;
    // Objects taken off their windows while one of their messages was still under way.
    std::vector<std::unique_ptr<SkinWindow>> retired_;
};

} // namespace tarnvale
