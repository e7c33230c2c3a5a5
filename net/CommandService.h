// CCommandService: the command service in one piece (the command server, the stream sender, the command dispatch
// between them and the listener that feeds it), started in one call and stopped in the one safe order.
#pragma once

#include "core/MediaInfoList.h"
#include "net/CommandDispatcher.h"
#include "net/CommandServer.h"
#include "net/DispatchListener.h"
#include "net/Notifier.h"
#include "net/StreamSender.h"
#include "platform/SystemError.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tarnvale {

class CCommandService {
public:
    // Received datagrams go to listener, which hands them to Dispatch; without one, the service's own listener
    // dispatches them. Either way they are carried out on the receive thread, one after the other.
    explicit CCommandService(CMediaInfoList& catalogue, CListener* listener = nullptr);
    // Stops the service.
    ~CCommandService();
    CCommandService(const CCommandService&) = delete;
    CCommandService& operator=(const CCommandService&) = delete;

    // Before Start: the port (0: any free one) and the address the command socket binds to (every local
    // address unless set).
    void SetLocalPort(std::uint16_t port) { server_.SetLocalPort(port); }
    void SetLocalAddress(std::uint32_t address) { server_.SetLocalAddress(address); }
    // Before Start: a line per command and per outcome worth telling, and the stream worker's events.
    void SetLog(std::function<void(const std::string&)> log) { dispatcher_.SetLog(std::move(log)); }
    void SetStreamObserver(std::function<void(const StreamEvent&)> observer) {
        sender_.SetObserver(std::move(observer));
    }

    // Binds the command socket and starts receiving; false, with error saying why when given, if either fails.
    bool Start(platform::SystemError* error = nullptr);
    // Gives up a connect to a client that does not answer, stops receiving and joins the receive thread (so no
    // command runs any more), then closes the stream and joins its worker. Start may follow.
    void Stop();

    // Carries out one received command datagram.
    void Dispatch(std::span<const std::uint8_t> datagram) { dispatcher_.DispatchCommand(datagram); }

    // The port the command socket is bound to; 0 while it is not.
    std::uint16_t BoundPort() const { return server_.BoundPort(); }
    CCommandServer& Server() { return server_; }
    CStreamSender& Sender() { return sender_; }

private:
    // In the order each needs the ones before it: the dispatcher carries commands out on the server and the
    // sender, and the listener hands it the server's datagrams.
    CStreamSender sender_;
    CCommandServer server_;
    CCommandDispatcher dispatcher_;
    CDispatchListener listener_;
};

} // namespace tarnvale
