// The skin object of one control: it owns the control's replaced window procedure and is the base of every
// control kind, whose painters override WindowProc and Paint.
#pragma once

#include "skin/ControlClassifier.h"
#include "skin/win/ProcedureSwap.h"

#include <windows.h>

#include <string>

namespace tarnvale {

class SkinManager;

class SkinControl {
public:
    SkinControl(SkinManager& owner, SkinKind kind) : owner_(owner), kind_(kind) {}
    virtual ~SkinControl() = default;
    SkinControl(const SkinControl&) = delete;
    SkinControl& operator=(const SkinControl&) = delete;

    // Handles one message of the control; what a kind does not handle goes to the previous procedure. The base
    // detaches the object at WM_NCDESTROY, after the control's own procedure has seen it.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Paints the skin over the control into hdc, whose origin is the window's top-left corner.
    virtual void Paint(HDC hdc, const RECT& rect);

    // Installs newProcedure and keeps the window's current procedure as the previous one; nothing for a window
    // that does not exist.
    void Subclass(HWND window, WNDPROC newProcedure);
    // Puts the previous procedure back, if ours is still the window's procedure.
    void Unsubclass();
    void Redraw();

    HWND Window() const { return window_; }
    WNDPROC PreviousProcedure() const { return procedure_.Previous(); }
    SkinKind Kind() const { return kind_; }
    // The window class in upper case, such as "EDIT" or "SYSLISTVIEW32".
    const std::string& ClassName() const { return className_; }
    void SetClassName(std::string className) { className_ = std::move(className); }
    bool Detaching() const { return detaching_; }

protected:
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

    SkinManager& owner_;
    HWND window_ = nullptr;

private:
    ProcedureSwap procedure_;
    SkinKind kind_;
    std::string className_;
    bool detaching_ = false;
};

} // namespace tarnvale
