// Records the messages that windows receive, for tests that compare message sequences: those reaching a window's
// procedure (the recorder sits in front of it), those reaching a test dialog's own procedure, or those sent to any
// window of the thread. A test can also react to a message as it arrives (destroy the window, answer it).
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace tarnvale::test {

struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class MessageRecorder {
public:
    using Filter = std::function<bool(const Message&)>;
    // Returns true when it has handled the message: a window's procedure then never sees it, and a dialog
    // procedure returns TRUE. The return is ignored for messages seen by the thread watch.
    using Reaction = std::function<bool(const Message&)>;

    // Records every message.
    MessageRecorder() = default;
    // Records only these messages.
    MessageRecorder(std::initializer_list<UINT> messages)
        : filter_([list = std::vector<UINT>(messages)](const Message& m) {
              return std::find(list.begin(), list.end(), m.message) != list.end();
          }) {}
    explicit MessageRecorder(Filter filter) : filter_(std::move(filter)) {}
    ~MessageRecorder() {
        StopWatchingThread();
        for (auto& [window, watch] : watches_)
            Unwatch(window, watch);
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Runs reaction on every later arrival of message, recorded or not: before the window's own handling, or after it
    // for the thread watch.
    MessageRecorder& On(UINT message, Reaction reaction) {
        reactions_.emplace(message, std::move(reaction));
        return *this;
    }

    // Puts the recorder in front of the window's current procedure. Whatever replaces the procedure later sits in
    // front of the recorder, which then sees what that passes on. A window is watched by one recorder at a time.
    bool Watch(HWND window) {
        if (!IsWindow(window) || GetPropA(window, kProperty))
            return false;
        auto* watch = new Subclass{this, nullptr};
        SetPropA(window, kProperty, watch);
        watch->previous =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
        watches_[window] = watch;
        return true;
    }

    // Records messages sent to any window of this thread, each once the window has handled it, while the recorder
    // lives (one such recorder at a time); unlike a dialog's recorder it also sees what comes before WM_INITDIALOG.
    bool WatchThread() {
        if (threadWatch_ || hook_)
            return false;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, &ThreadHook, nullptr, GetCurrentThreadId());
        threadWatch_ = hook_ ? this : nullptr;
        return hook_ != nullptr;
    }

    // A dialog from the template whose own procedure is the recorder, from WM_INITDIALOG on.
    HWND CreateDialogFrom(const DLGTEMPLATE* dialogTemplate, HWND parent = nullptr) {
        return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, parent, &DialogProc,
                                          reinterpret_cast<LPARAM>(this));
    }

    const std::vector<Message>& Messages() const { return messages_; }
    void Clear() { messages_.clear(); }

    int Count(UINT message) const {
        return int(
            std::count_if(messages_.begin(), messages_.end(), [&](const Message& m) { return m.message == message; }));
    }
    // Messages whose wParam's low word is code: a scroll code, a command's control id.
    int Count(UINT message, WORD code) const {
        return int(std::count_if(messages_.begin(), messages_.end(),
                                 [&](const Message& m) { return m.message == message && LOWORD(m.wParam) == code; }));
    }
    bool Received(UINT message) const { return Count(message) > 0; }
    // The messages of one kind, in the order they came.
    std::vector<Message> Of(UINT message) const {
        std::vector<Message> found;
        std::copy_if(messages_.begin(), messages_.end(), std::back_inserter(found),
                     [&](const Message& m) { return m.message == message; });
        return found;
    }

private:
    // Owned by the window: freed at WM_NCDESTROY, or when the recorder goes and can take its procedure back.
    struct Subclass {
        MessageRecorder* recorder;
        WNDPROC previous;
    };
    static constexpr const char* kProperty = "TarnvaleMessageRecorder";

    bool Seen(const Message& m) {
        if (!filter_ || filter_(m))
            messages_.push_back(m);
        bool handled = false;
        const auto [first, last] = reactions_.equal_range(m.message);
        for (auto it = first; it != last; ++it)
            handled = it->second(m) || handled;
        return handled;
    }

    void Unwatch(HWND window, Subclass* watch) {
        if (!IsWindow(window) || GetPropA(window, kProperty) != watch)
            return; // destroyed, and the watch with it
        if (GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowProc)) {
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch->previous));
            RemovePropA(window, kProperty);
            delete watch;
        } else {
            watch->recorder = nullptr; // something sits in front: pass everything on until the window goes
        }
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* watch = static_cast<Subclass*>(GetPropA(window, kProperty));
        const WNDPROC previous = watch->previous;
        if (message == WM_NCDESTROY) {
            if (watch->recorder) {
                watch->recorder->Seen({window, message, wParam, lParam});
                watch->recorder->watches_.erase(window);
            }
            RemovePropA(window, kProperty);
            delete watch;
            return CallWindowProcA(previous, window, message, wParam, lParam);
        }
        if (watch->recorder && watch->recorder->Seen({window, message, wParam, lParam}))
            return 0;
        if (!IsWindow(window))
            return 0; // a reaction destroyed it
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG)
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* recorder = reinterpret_cast<MessageRecorder*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!recorder)
            return FALSE; // before WM_INITDIALOG
        const bool handled = recorder->Seen({dialog, message, wParam, lParam});
        return message == WM_INITDIALOG || handled;
    }

    static LRESULT CALLBACK ThreadHook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && threadWatch_)
            threadWatch_->Seen({call->hwnd, call->message, call->wParam, call->lParam});
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void StopWatchingThread() {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
        if (threadWatch_ == this)
            threadWatch_ = nullptr;
    }

    // The hook procedure has no context of its own: the one global, set and cleared with the hook.
    static inline MessageRecorder* threadWatch_ = nullptr;
    Filter filter_;
    std::vector<Message> messages_;
    std::multimap<UINT, Reaction> reactions_;
    std::map<HWND, Subclass*> watches_;
    HHOOK hook_ = nullptr;
};

} // namespace tarnvale::test
