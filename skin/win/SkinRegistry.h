// The skinned windows: the window-creation hook that catches every dialog made on the user-interface thread, the
// skin objects given to dialogs and their controls (by the control kinds' table), the registries that find them
// from a window, detaching when windows go, and the hover timer.
#pragma once

#include "skin/win/GdiHandles.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <unordered_map>

namespace tarnvale {

class SkinControl;
class SkinDialog;
class SkinManager;
class SkinWindow;

struct HookTraits {
    using Handle = HHOOK;
    static Handle Empty() { return nullptr; }
    static void Release(Handle hook) { UnhookWindowsHookEx(hook); }
};

class SkinRegistry {
public:
    // The skin objects are made for manager, which owns this registry.
    explicit SkinRegistry(SkinManager& manager);
    // Gives every still-skinned window its own procedure (and dialogs their size) back.
    ~SkinRegistry();
    SkinRegistry(const SkinRegistry&) = delete;
    SkinRegistry& operator=(const SkinRegistry&) = delete;

    // Installs the hook for this thread; a second call returns the hook already installed.
    HHOOK Hook();
    bool HookInstalled() const { return static_cast<bool>(hook_); }
    void Unhook();

    bool IsSkinned(HWND window) const;
    void AttachDialog(HWND window);
    // Gives a control the skin object that its class and style call for, if any.
    void AttachControl(HWND window);
    // AttachControl for each direct child, in z-order.
    void AttachChildren(HWND parent);
    void DetachControl(HWND window);
    void DetachDialog(HWND window);
    SkinControl* FindControl(HWND window) const;
    SkinDialog* FindDialog(HWND window) const;
    // The skin object of a dialog or a control; null for a window the skin has not taken.
    SkinWindow* FindSkinned(HWND window) const;
    std::size_t ControlCount() const { return controls_.size(); }
    std::size_t DialogCount() const { return dialogs_.size(); }
    // Sends message to every skinned dialog that is still skinned when its turn comes.
    void TellDialogs(UINT message);
    // Gives every window back; the registries are empty afterwards.
    void DetachAll();

    // Sends WM_NCMOUSELEAVE to the window once the cursor has left its rectangle (checked every 50 ms).
    void StartHoverTimer(HWND window);

private:
    template <typename Object>
    using Registry = std::unordered_map<HWND, std::unique_ptr<Object>>;

    template <typename Object>
    static void Detach(Registry<Object>& registry, HWND window);
    template <typename Object>
    static void DetachAll(Registry<Object>& registry);

    friend LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);

    SkinManager& manager_;
    Registry<SkinControl> controls_;
    Registry<SkinDialog> dialogs_;
    UniqueHandle<HookTraits> hook_;
};

// The window-creation hook: attaches dialogs of the predefined dialog class and nothing else.
LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);
// Route each message of a skinned window to its skin object; unregistered windows get DefWindowProc.
LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
VOID CALLBACK HoverLeaveTimerProc(HWND window, UINT message, UINT_PTR idEvent, DWORD time);

} // namespace tarnvale
