// The root of every window whose procedure the skin has taken, dialog or control: the procedure taken and given
// back, the previous one called, whether the object still stands for its window after a message that may have
// destroyed both, and a kind's table of message handlers walked in one place.
#pragma once

#include "skin/win/ProcedureSwap.h"

#include <windows.h>

#include <cstddef>

namespace tarnvale {

class SkinManager;

class SkinWindow {
public:
    explicit SkinWindow(SkinManager& owner) : owner_(owner) {}
    virtual ~SkinWindow() = default;
    SkinWindow(const SkinWindow&) = delete;
    SkinWindow& operator=(const SkinWindow&) = delete;

    // Handles one message of the window; what the skin does not handle goes to the previous procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // Installs newProcedure and keeps the window's current procedure as the previous one; nothing for a window
    // that does not exist.
    void Subclass(HWND window, WNDPROC newProcedure);
    // Puts the previous procedure back, if ours is still the window's procedure; from then on the object is
    // detaching, and messages that come through it meanwhile do not detach it twice.
    virtual void Unsubclass();

    HWND Window() const { return window_; }
    bool Detaching() const { return detaching_; }

    // A row of a handler table: a message and the member function that handles it.
    template <typename Kind>
    struct Handler {
        UINT message;
        LRESULT (Kind::*handle)(UINT, WPARAM, LPARAM);
    };
    // Runs the handler of message from table into result; false when the table has none.
    template <typename Kind, std::size_t N>
    static bool Dispatch(Kind& self, const Handler<Kind> (&table)[N], UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result) {
        for (const Handler<Kind>& handler : table) {
            if (handler.message == message) {
                result = (self.*handler.handle)(message, wParam, lParam);
                return true;
            }
        }
        return false;
    }

protected:
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);
    // Whether this object still stands for window in owner's registries. Copy both out of the object before a
    // message that may destroy the window, and ask with the copies: when the answer is no, this object is gone.
    bool StillAttached(SkinManager& owner, HWND window) const;
    // Calls the previous procedure, or sends a message to target (the window itself or another), and says whether
    // the object outlived it.
    bool CallPreviousAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool SendAndStay(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

    SkinManager& owner_;
    HWND window_ = nullptr;

private:
    ProcedureSwap procedure_;
    bool detaching_ = false;
};

} // namespace tarnvale
