// The skin manager: the one owner, made by the application, of the loaded skin, the registry of skinned windows and
// the hook, and the current manager the hook serves.
#include "skin/win/SkinManager.h"

#include "skin/win/WindowDpi.h"

namespace tarnvale {
namespace {

// The predefined dialog class, as the dialog manager names it when it creates a dialog.
constexpr WORD kDialogClassAtom = 0x8002;

} // namespace

SkinManager* SkinManager::current_ = nullptr;

SkinManager::SkinManager() : outer_(current_) {
    current_ = this;
}

SkinManager::~SkinManager() {
    // No dialog may be attached any more while the windows are given back, and they are given back while the
    // images they are drawn from are still there.
    hook_.reset();
    registry_.DetachAll();
    skin_.FreeImages();
    for (SkinManager** link = &current_; *link; link = &(*link)->outer_) {
        if (*link == this) {
            *link = outer_;
            break;
        }
    }
}

SkinManager* SkinManager::Current() {
    return current_;
}

HHOOK SkinManager::Start(const char* skinPath) {
    if (hook_)
        return hook_.get();
    skin_.SetDpi(WindowDpi(nullptr));
    LoadSkin(skinPath);
    hook_.reset(SetWindowsHookExA(WH_CBT, OnWindowCreation, nullptr, GetCurrentThreadId()));
    return hook_.get();
}

void SkinManager::LoadSkin(const char* path) {
    skin_.Read(path);
    // Dialogs are told even when the skin is missing: their images are gone, so their frames must change.
    registry_.SkinChanged();
}

LRESULT CALLBACK SkinManager::OnWindowCreation(int code, WPARAM wParam, LPARAM lParam) {
    SkinManager* manager = current_;
    if (manager && code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        const char* className = create->lpcs->lpszClass;
        if (IS_INTRESOURCE(className) && LOWORD(reinterpret_cast<ULONG_PTR>(className)) == kDialogClassAtom)
            manager->registry_.AttachDialog(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(manager ? manager->hook_.get() : nullptr, code, wParam, lParam);
}

SkinWindow* FindSkinWindow(HWND window) {
    // Nearly always the current manager's; a manager made while another lives (a test's) leaves the other's windows
    // skinned.
    for (SkinManager* manager = SkinManager::current_; manager; manager = manager->outer_) {
        if (SkinWindow* found = manager->registry_.Find(window))
            return found;
    }
    return nullptr;
}

} // namespace tarnvale
