// The skin manager: the one owner, made by the application, of the loaded skin and of the registry of skinned
// windows, and the current manager the hook and the window procedures serve.
#include "skin/win/SkinManager.h"

#include "skin/win/WindowDpi.h"

namespace tarnvale {

SkinManager* SkinManager::current_ = nullptr;

SkinManager::SkinManager() : SkinRegistry(*this) {
    current_ = this;
}

SkinManager::~SkinManager() {
    // Every window is given back while this manager still serves their procedures.
    Unhook();
    DetachAll();
    FreeImages();
    if (current_ == this)
        current_ = nullptr;
}

SkinManager* SkinManager::Current() {
    return current_;
}

HHOOK SkinManager::Start(const char* skinPath) {
    if (HookInstalled())
        return Hook();
    SetDpi(WindowDpi(nullptr));
    LoadSkin(skinPath);
    return Hook();
}

void SkinManager::LoadSkin(const char* path) {
    Read(path);
    // Dialogs are told even when the skin is missing: their images are gone, so their frames must change.
    TellDialogs(WM_SKINCHANGED);
}

void SkinManager::ChangeDpi(int dpi) {
    if (SetDpi(dpi))
        TellDialogs(WM_SKINCHANGED);
}

} // namespace tarnvale
