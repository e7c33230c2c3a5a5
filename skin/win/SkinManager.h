// The skin engine's owner, made once by the application: the loaded skin with its images and drawing
// (LoadedSkin) and the registry of skinned windows with the creation hook (SkinRegistry), started together and
// undone together when the manager goes.
#pragma once

#include "skin/win/LoadedSkin.h"
#include "skin/win/SkinRegistry.h"

#include <windows.h>

namespace tarnvale {

// Tells a skinned dialog to recompute its frame size and shape; wParam and lParam are 0.
inline constexpr UINT WM_SKINCHANGED = WM_USER + 101;

class SkinManager : public LoadedSkin, public SkinRegistry {
public:
    // The new manager becomes the current one.
    SkinManager();
    // Unhooks, gives every still-skinned window its own procedure (and dialogs their size) back, frees images.
    ~SkinManager();

    // The manager that the hook and the window procedures serve; null when there is none.
    static SkinManager* Current();

    // Loads the skin, prepared for the system's DPI, and installs the hook for this thread; the hook is installed even
    // when the skin file is missing, so dialogs are still attached. A second call returns the hook already installed.
    HHOOK Start(const char* skinPath);
    // Frees the images and reads the skin at path (see LoadedSkin::Read); skinned dialogs are told with
    // WM_SKINCHANGED.
    void LoadSkin(const char* path);
    // Prepares the skin for windows shown at dpi; when that is a change, skinned dialogs are told with
    // WM_SKINCHANGED.
    void ChangeDpi(int dpi);

private:
    static SkinManager* current_;
};

} // namespace tarnvale
