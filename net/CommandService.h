// CommandService: the command service in one piece (the command server, the client sessions with their stream
// senders, the command dispatch between them and the listener that feeds it), started in one call and stopped in
// the one safe order.
#pragma once

#include "core/MediaInfoList.h"
#include "net/AllowList.h"
#include "net/CommandDispatcher.h"
#include "net/CommandServer.h"
#include "net/DispatchListener.h"
#include "net/Notifier.h"
#include "net/SessionTable.h"
#include "net/StreamSender.h"
#include "platform/SystemError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tarnvale {

class CommandService {
public:
    // Received datagrams go to listener, which hands them to Dispatch; without one, the service's own listener
    // dispatches them. Either way they are carried out on the receive thread, one after the other.
    explicit CommandService(CMediaInfoList& catalogue, CListener* listener = nullptr);
    // Stops the service.
    ~CommandService();
    CommandService(const CommandService&) = delete;
    CommandService& operator=(const CommandService&) = delete;

    // Before Start: the port (0: any free one) and the address the command socket binds to (every local
    // address unless set).
    void SetLocalPort(std::uint16_t port) { server_.SetLocalPort(port); }
    void SetLocalAddress(std::uint32_t address) { server_.SetLocalAddress(address); }
    // Before Start: a line per command and per outcome worth telling, and the stream worker's events.
    void SetLog(std::function<void(const std::string&)> log) { dispatcher_.SetLog(std::move(log)); }
    // Before Start: the stream workers' events, from every session's stream.
    void SetStreamObserver(std::function<void(const StreamEvent&)> observer) {
        sessions_.SetStreamObserver(std::move(observer));
    }
    // Before Start: 1 (the default) serves one client at a time, whoever sent the last CMD_CONNECT; more gives
    // each client address a session of its own, at most limit at once.
    void SetSessionLimit(std::size_t limit) { sessions_.SetLimit(limit); }
    // Before Start: the addresses whose commands are carried out and that CMD_CONNECT may name (default: all).
    void SetAllowList(AllowList allow) { dispatcher_.SetAllowList(std::move(allow)); }

    // Binds the command socket and starts receiving; false, with error saying why when given, if either fails.
    bool Start(platform::SystemError* error = nullptr);
    // Gives up a connect to a client that does not answer, stops receiving and joins the receive thread (so no
    // command runs any more), then closes every session's stream and joins its worker. Start may follow.
    void Stop();

    // Carries out one received command datagram from source (an IPv4 address, host order).
    void Dispatch(std::span<const std::uint8_t> datagram, std::uint32_t source) {
        dispatcher_.DispatchCommand(datagram, source);
    }

    // The port the command socket is bound to; 0 while it is not.
    std::uint16_t BoundPort() const { return server_.BoundPort(); }

private:
    // In the order each needs the ones before it: the dispatcher carries commands out on the server and the
    // sessions, and the listener hands it the server's datagrams.
    SessionTable sessions_;
    CCommandServer server_;
    CommandDispatcher dispatcher_;
    DispatchListener listener_;
};

} // namespace tarnvale
