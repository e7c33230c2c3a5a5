// The waiting shared by Linux's file and folder watches, for the platform's POSIX sources only: an inotify
// descriptor the watch adds its folders to and reads its events from, and an eventfd that wakes the wait.
#pragma once

#include "platform/SystemError.h"
#include "platform/UniqueHandle.h"

#include <optional>
#include <string>

namespace tarnvale::platform {

struct DescriptorTraits {
    using Handle = int;
    static constexpr Handle Empty() { return -1; }
    static void Release(Handle fd);
};
using UniqueDescriptor = UniqueHandle<DescriptorTraits>;

class InotifyWait {
public:
    // Makes both descriptors, non-blocking; false, with error saying "cannot watch " + what when given, if the
    // system will not.
    bool Open(const std::string& what, SystemError* error);

    // The inotify descriptor, for adding watches and reading the events once Wait says Ready.
    int Descriptor() const { return inotify_.get(); }

    enum class Result {
        Failed,   // the wait itself failed; error says why
        Woken,    // Wake was called (and is taken back)
        TimedOut, // nothing within the time
        Ready,    // events wait to be read from Descriptor
    };
    // Waits at most timeoutMs (negative: without a limit) for events or a Wake.
    Result Wait(int timeoutMs, SystemError* error);
    // From any thread: the Wait under way, or else the next one, returns Woken.
    void Wake();

private:
    UniqueDescriptor inotify_;
    UniqueDescriptor wake_;
};

// What a watch whose Event names Failed, Woken and TimedOut tells of a wait's result; none when events wait to be
// read.
template <typename Event>
std::optional<Event> EventOfWait(InotifyWait::Result result) {
    switch (result) {
    case InotifyWait::Result::Failed:
        return Event::Failed;
    case InotifyWait::Result::Woken:
        return Event::Woken;
    case InotifyWait::Result::TimedOut:
        return Event::TimedOut;
    case InotifyWait::Result::Ready:
        break;
    }
    return std::nullopt;
}

} // namespace tarnvale::platform
