// The skin engine's owner, made once by the application: the loaded skin with its images and drawing, the registry
// of skinned windows and the window-creation hook that feeds it, started together and undone together when the
// manager goes.
#pragma once

#include "skin/win/GdiHandles.h"
#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinDialog.h" // WM_SKINCHANGED, which LoadSkin sends
#include "skin/win/SkinRegistry.h"

#include <windows.h>

namespace tarnvale {

struct HookTraits {
    using Handle = HHOOK;
    static Handle Empty() { return nullptr; }
    static void Release(Handle hook) { UnhookWindowsHookEx(hook); }
};

class SkinManager {
public:
    // The new manager becomes the current one; the one current before it becomes current again when it goes.
    SkinManager();
    // Unhooks, gives every still-skinned window its own procedure (and dialogs their size) back, frees images.
    ~SkinManager();
    SkinManager(const SkinManager&) = delete;
    SkinManager& operator=(const SkinManager&) = delete;

    // The manager whose hook attaches this thread's dialogs; null when there is none.
    static SkinManager* Current();

    // Loads the skin, prepared for the system's DPI, and installs the hook for this thread; the hook is installed even
    // when the skin file is missing, so dialogs are still attached. A second call returns the hook already installed.
    HHOOK Start(const char* skinPath);
    // Frees the images and reads the skin at path (see LoadedSkin::Read); the skinned windows are told
    // (SkinRegistry::SkinChanged). A move to a screen of another DPI comes in the same way, through the moved
    // dialog (SkinDialog's WM_DPICHANGED).
    void LoadSkin(const char* path);

    LoadedSkin& Skin() { return skin_; }
    const LoadedSkin& Skin() const { return skin_; }
    SkinRegistry& Registry() { return registry_; }
    const SkinRegistry& Registry() const { return registry_; }

private:
    // The window-creation hook: attaches dialogs of the predefined dialog class and nothing else.
    static LRESULT CALLBACK OnWindowCreation(int code, WPARAM wParam, LPARAM lParam);

    friend SkinWindow* FindSkinWindow(HWND window);

    static SkinManager* current_;
    SkinManager* outer_ = nullptr; // the manager that was current when this one was made

    LoadedSkin skin_;
    SkinRegistry registry_{skin_};
    UniqueHandle<HookTraits> hook_;
};

} // namespace tarnvale
