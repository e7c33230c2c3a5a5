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

SkinManager::SkinManager() {
    current_ = this;
}

SkinManager::~SkinManager() {
    // No dialog may be attached any more while the windows are given back, and they are given back while the
    // images they are drawn from are still there.
    hook_.reset();
    registry_.DetachAll();
    skin_.FreeImages();
    if (current_ == this)
        current_ = nullptr;
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

void SkinManager::Unhook() {
    hook_.reset();
}

void SkinManager::LoadSkin(const char* path) {
    skin_.Read(path);
    // Dialogs are told even when the skin is missing: their images are gone, so their frames must change.
    registry_.TellDialogs(WM_SKINCHANGED);
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

void SkinManager::ChangeDpi(int dpi) {
    if (skin_.SetDpi(dpi))
        registry_.TellDialogs(WM_SKINCHANGED);
}

} // namespace tarnvale
