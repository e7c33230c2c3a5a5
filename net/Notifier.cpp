// The observer pair's bookkeeping.
#include "net/Notifier.h"

#include <algorithm>

namespace tarnvale {
namespace {

// Takes out the first equal entry and closes the gap; a missing entry is no error.
template <typename T>
void RemoveFirst(std::vector<T*>& entries, T* entry) {
    auto found = std::find(entries.begin(), entries.end(), entry);
    if (found != entries.end())
        entries.erase(found);
}

} // namespace

CListener::~CListener() {
    std::vector<CNotifier*> notifiers = Notifiers();
    for (auto it = notifiers.rbegin(); it != notifiers.rend(); ++it)
        if (*it)
            (*it)->Detach(this);
}

bool CListener::OnNotify(std::uint32_t code, void* data, std::uintptr_t) {
    if (code == NOTIFY_DETACH) {
        RemoveNotifier(static_cast<CNotifier*>(data));
        return true;
    }
    if (code == NOTIFY_MESSAGE && data) {
        const auto* words = static_cast<const std::uint32_t*>(data);
        return OnMessage(words[0], words[1], words[2], words[3]);
    }
    return false;
}

bool CListener::OnMessage(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
    return false;
}

std::vector<CNotifier*> CListener::Notifiers() const {
    std::lock_guard lock(mutex_);
    return notifiers_;
}

void CListener::AddNotifier(CNotifier* notifier) {
    std::lock_guard lock(mutex_);
    notifiers_.push_back(notifier);
}

void CListener::RemoveNotifier(CNotifier* notifier) {
    std::lock_guard lock(mutex_);
    RemoveFirst(notifiers_, notifier);
}

CNotifier::~CNotifier() {
    Notify(NOTIFY_DETACH, this, 0);
    // A listener whose OnNotify does not hand NOTIFY_DETACH to the base would otherwise keep a dangling pointer.
    std::lock_guard lock(mutex_);
    for (CListener* listener : listeners_)
        if (listener)
            listener->RemoveNotifier(this);
}

void CNotifier::Attach(CListener* listener) {
    if (!listener)
        return;
    std::lock_guard lock(mutex_);
    if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
        return;
    listeners_.push_back(listener);
    listener->AddNotifier(this);
}

void CNotifier::Detach(CListener* listener) {
    if (!listener)
        return;
    std::lock_guard lock(mutex_);
    listener->RemoveNotifier(this);
    RemoveFirst(listeners_, listener);
}

bool CNotifier::Notify(std::uint32_t code, void* data, std::uintptr_t extra) {
    std::lock_guard lock(mutex_);
    // A copy, because a listener may detach while it is being told; one detached meanwhile is not called.
    const std::vector<CListener*> listeners = listeners_;
    for (auto it = listeners.rbegin(); it != listeners.rend(); ++it) {
        if (!*it || std::find(listeners_.begin(), listeners_.end(), *it) == listeners_.end())
            continue;
        (*it)->OnNotify(code, data, extra);
    }
    return true;
}

std::vector<CListener*> CNotifier::Listeners() const {
    std::lock_guard lock(mutex_);
    return listeners_;
}

} // namespace tarnvale
