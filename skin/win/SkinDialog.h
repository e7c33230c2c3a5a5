// The skin object of one dialog: it attaches the dialog's controls, tiles its background from the skin, and keeps
// its client area the size it was designed for when the skin frame replaces the standard one.
#pragma once

#include "skin/win/ProcedureSwap.h"

#include <windows.h>

namespace tarnvale {

class SkinManager;

class SkinDialog {
public:
    explicit SkinDialog(SkinManager& owner) : owner_(owner) {}
    virtual ~SkinDialog() = default;
    SkinDialog(const SkinDialog&) = delete;
    SkinDialog& operator=(const SkinDialog&) = delete;

    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Installs newProcedure and keeps the window's current procedure as the previous one.
    void Subclass(HWND window, WNDPROC newProcedure);
    // Puts the previous procedure back (if ours is still the window's procedure) and gives the window its size
    // from before skinning, when that was recorded.
    void Unsubclass();

    // Whether the caption and the left, right and bottom frames all have images.
    bool IsFrameSkinned() const;

    HWND Window() const { return window_; }
    WNDPROC PreviousProcedure() const { return procedure_.Previous(); }
    bool Active() const { return active_; }
    // The window rectangle recorded at WM_INITDIALOG, before the skin frame changed the size; empty before.
    const RECT& RectBeforeSkinning() const { return beforeSkinning_; }
    bool ShapePending() const { return shapePending_; }
    bool Detaching() const { return detaching_; }

private:
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBackground(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnParentNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnSkinChanged(WPARAM wParam, LPARAM lParam);

    struct Handler {
        UINT message;
        LRESULT (SkinDialog::*handle)(WPARAM, LPARAM);
    };
    // Messages handled whether or not the dialog's frame is skinned.
    static const Handler kHandlers[];

    SkinManager& owner_;
    HWND window_ = nullptr;
    ProcedureSwap procedure_;
    RECT beforeSkinning_{};
    bool active_ = false;
    bool shapePending_ = true; // the see-through shape is applied at the next frame paint
    bool detaching_ = false;
};

} // namespace tarnvale
