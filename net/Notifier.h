// A two-way observer pair: a notifier hands events to the listeners attached to it, and each side detaches from
// the other when it is destroyed, so that neither is ever left holding a pointer to a dead object.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace tarnvale {

inline constexpr std::uint32_t NOTIFY_DETACH = 0;            // data: the notifier being destroyed
inline constexpr std::uint32_t NOTIFY_MESSAGE = 1;           // data: four 32-bit words for OnMessage
inline constexpr std::uint32_t NOTIFY_DATAGRAM = 0x766F6431; // data: a ReceivedDatagram (net/CommandServer.h)

class CNotifier;

class CListener {
public:
    CListener() = default;
    // Detaches from every notifier still attached, most recent first.
    virtual ~CListener();
    CListener(const CListener&) = delete;
    CListener& operator=(const CListener&) = delete;

    // The base answers NOTIFY_DETACH by forgetting the notifier and NOTIFY_MESSAGE through OnMessage; overrides
    // hand every code they do not treat themselves to the base.
    virtual bool OnNotify(std::uint32_t code, void* data, std::uintptr_t extra);
    virtual bool OnMessage(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);

    std::vector<CNotifier*> Notifiers() const;

private:
    friend class CNotifier;
    void AddNotifier(CNotifier* notifier);
    void RemoveNotifier(CNotifier* notifier);

    mutable std::mutex mutex_;
    std::vector<CNotifier*> notifiers_;
};

class CNotifier {
public:
    CNotifier() = default;
    // Tells every listener NOTIFY_DETACH, so that they forget this notifier.
    virtual ~CNotifier();
    CNotifier(const CNotifier&) = delete;
    CNotifier& operator=(const CNotifier&) = delete;

    // A null listener and one already attached are ignored.
    void Attach(CListener* listener);
    void Detach(CListener* listener);
    // Calls OnNotify on every listener, the most recently attached first. A listener may detach itself (or be
    // detached) from inside OnNotify.
    bool Notify(std::uint32_t code, void* data, std::uintptr_t extra);

    std::vector<CListener*> Listeners() const;

private:
    // Held across Notify, so that a listener is never detached on another thread while it is being called; a
    // listener's own Detach from inside OnNotify takes it again on the same thread.
    mutable std::recursive_mutex mutex_;
    std::vector<CListener*> listeners_;
};

} // namespace tarnvale
