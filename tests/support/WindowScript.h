// Drives the dialogs of the test's own thread as a user would, while a modal loop runs: a thread timer calls the
// script's steps in turn from whichever message loop is running (the main window's, a nested dialog's or a
// message box's). Each step is retried on every tick until it reports done; a step that does not finish within
// the bound fails the test and every dialog of the thread is closed, so the modal call returns.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarnvale::test {

// The thread's visible dialog (window class #32770) with this caption, or null.
inline HWND FindDialog(const std::string& caption) {
    struct Search {
        const std::string* caption;
        HWND found;
    } search{&caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            char className[64] = {};
            char text[256] = {};
            GetClassNameA(window, className, sizeof className);
            GetWindowTextA(window, text, sizeof text);
            if (IsWindowVisible(window) && std::string(className) == "#32770" && *s->caption == text) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The thread's visible dialog that holds a control of this window class (the folder chooser's tree, say).
inline HWND FindDialogHolding(const char* controlClass) {
    struct Search {
        const char* controlClass;
        HWND found;
    } search{controlClass, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            char className[64] = {};
            GetClassNameA(window, className, sizeof className);
            if (IsWindowVisible(window) && std::string(className) == "#32770" &&
                FindWindowExA(window, nullptr, s->controlClass, nullptr)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The thread's visible message box (a dialog with the message-text static, id 0xFFFF), or null.
inline HWND FindMessageBox() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            char className[64] = {};
            GetClassNameA(window, className, sizeof className);
            if (IsWindowVisible(window) && std::string(className) == "#32770" && GetDlgItem(window, 0xFFFF)) {
                *reinterpret_cast<HWND*>(context) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

inline std::string Text(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string ItemText(HWND dialog, int id) {
    return Text(GetDlgItem(dialog, id));
}

// A button press as the button itself reports it. Posted, so that a press that opens a modal dialog does not
// hold up the script.
inline void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline void SelectRow(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

inline std::string CellText(HWND list, int row, int column) {
    char text[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

inline int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

class WindowScript {
public:
    // A step returns true when it has done its work, false to be tried again at the next tick.
    using Step = std::function<bool()>;

    explicit WindowScript(int maxTicks = 3000) : maxTicks_(maxTicks) {}
    ~WindowScript() { Stop(); }
    WindowScript(const WindowScript&) = delete;
    WindowScript& operator=(const WindowScript&) = delete;

    WindowScript& Then(std::string name, Step step) {
        steps_.push_back({std::move(name), std::move(step)});
        return *this;
    }

    // Starts the ticks; the modal call that the script drives comes next.
    void Start() {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 10, &WindowScript::Tick);
    }
    void Stop() {
        if (timer_)
            KillTimer(nullptr, timer_);
        timer_ = 0;
        if (current_ == this)
            current_ = nullptr;
    }

    bool Finished() const { return next_ == steps_.size(); }

private:
    struct NamedStep {
        std::string name;
        Step step;
    };

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_)
            current_->Advance();
    }

    void Advance() {
        // A step that opens a modal loop must post, not send; ticks inside such a loop are skipped.
        if (busy_ || Finished())
            return;
        busy_ = true;
        if (steps_[next_].step()) {
            ++next_;
            ticks_ = 0;
        } else if (++ticks_ > maxTicks_) {
            ADD_FAILURE() << "step \"" << steps_[next_].name << "\" did not finish";
            next_ = steps_.size();
            CloseEverything();
        }
        busy_ = false;
    }

    static void CloseEverything() {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM) -> BOOL {
                char className[64] = {};
                GetClassNameA(window, className, sizeof className);
                if (std::string(className) == "#32770")
                    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
                return TRUE;
            },
            0);
    }

    static inline WindowScript* current_ = nullptr;
    std::vector<NamedStep> steps_;
    std::size_t next_ = 0;
    int ticks_ = 0;
    int maxTicks_;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};

} // namespace tarnvale::test
