// The root of every window the skin has taken, dialog or control: its procedure put in front of the window's, the
// way a subclass is chained, with the object found from the window without asking the window system (whose look-ups
// cost a trip to another process on some systems, on every message); the previous procedure called; detached at
// WM_NCDESTROY or when the skin gives the window back; and a kind's table of message handlers walked in one place.
#pragma once

#include <windows.h>

#include <cstddef>

namespace tarnvale {

class LoadedSkin;
class SkinRegistry;

class SkinWindow {
public:
    SkinWindow(LoadedSkin& skin, SkinRegistry& registry) : skin_(skin), registry_(registry) {}
    // Takes the subclass off, if it is still on.
    virtual ~SkinWindow();
    SkinWindow(const SkinWindow&) = delete;
    SkinWindow& operator=(const SkinWindow&) = delete;

    // Handles one message of the window; what the skin does not handle goes to the previous procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Whether the skin has what this kind is drawn from; a kind without it leaves every message to the window.
    virtual bool Skinned() const { return true; }
    // What the window gets back when the skin lets go of it while it lives on (a dialog its size); nothing by default.
    virtual void GiveBack() {}

    // Puts the skin's procedure in front of window's for this object, which the registry must already hold for the
    // window; false for a window that does not exist or whose procedure cannot be replaced.
    bool Attach(HWND window);
    // Takes the skin's procedure off: from now on messages no longer reach this object. One of its handlers still
    // running finishes on a live object: the registry keeps it until the outermost message of it has returned. When
    // a procedure installed later sits in front of the skin's, the skin's stays, passing every message on, until the
    // window goes; a later Attach takes that place again.
    void Detach();

    HWND Window() const { return window_; }
    bool Attached() const { return attached_; }
    // Whether a message of the window is being handled by this object.
    bool Busy() const { return depth_ > 0; }

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
    // Whether messages reach this object, and the previous procedure, as Unicode ones (texts in UTF-16).
    bool Unicode() const { return unicode_; }
    // Calls the previous procedure, or sends a message to target (the window itself or another), and says whether
    // the object still stands for its window afterwards: whatever was called may have destroyed the window or
    // taken the skin off it.
    bool CallPreviousAndStay(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool SendAndStay(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

    LoadedSkin& skin_;
    SkinRegistry& registry_;
    HWND window_ = nullptr;

private:
    // The skin's procedure for every skinned window: to the window's object, or straight on when it has none.
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int depth_ = 0; // messages of this object under way, nested ones counted
    bool attached_ = false;
    bool unicode_ = false;       // the procedure was replaced, and is called, as a Unicode one
    WNDPROC previous_ = nullptr; // the procedure the skin's is in front of
};

// The skin object that a live skin manager holds for window; null when none does. Defined with the manager, which
// owns the registries it looks in.
SkinWindow* FindSkinWindow(HWND window);

} // namespace tarnvale
