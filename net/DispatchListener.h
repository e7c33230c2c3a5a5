// DispatchListener: a listener that hands every received datagram to a dispatcher, on the command server's
// receive thread. The command service's own; the Windows main window is a listener of its own that does the same.
#pragma once

#include "net/CommandDispatcher.h"
#include "net/Notifier.h"

#include <cstdint>

namespace tarnvale {

class DispatchListener : public CListener {
public:
    explicit DispatchListener(CommandDispatcher& dispatcher) : dispatcher_(dispatcher) {}

    bool OnNotify(std::uint32_t code, void* data, std::uintptr_t extra) override {
        if (code != NOTIFY_DATAGRAM)
            return CListener::OnNotify(code, data, extra);
        const ReceivedDatagram& datagram = *static_cast<const ReceivedDatagram*>(data);
        dispatcher_.DispatchCommand(datagram.bytes, datagram.source.address);
        return true;
    }

private:
    CommandDispatcher& dispatcher_;
};

} // namespace tarnvale
