// SessionTable: the clients a command service serves at once. By default one session that every client shares
// (whoever sent the last CMD_CONNECT owns its replies and its stream); with a higher limit, a session per client
// address, each with its own reply target, stream connection and worker.
#pragma once

#include "net/StreamSender.h"
#include "platform/Socket.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tarnvale {

struct ClientSession {
    std::uint32_t client = 0;       // the source address of its commands; 0 for the shared session
    platform::Endpoint replyTarget; // set by CMD_CONNECT; port 0 until then
    CStreamSender sender;
    std::uint64_t lastHeard = 0; // the number of its latest command, counted over all sessions
};

// Sessions are opened, found and ended on the receive thread only; the setters come before the first command,
// and EndAll after the last.
class SessionTable {
public:
    SessionTable() = default;
    ~SessionTable() { EndAll(); }
    SessionTable(const SessionTable&) = delete;
    SessionTable& operator=(const SessionTable&) = delete;

    // 1 (the default): every client shares one session; more: each client address has its own, at most limit.
    void SetLimit(std::size_t limit) { limit_ = limit; }
    bool Shared() const { return limit_ <= 1; }
    // Every session's stream worker reports to observer; a session of a client's own adds the client's address.
    void SetStreamObserver(std::function<void(const StreamEvent&)> observer);

    // The session a command from address acts on, its latest command now; null when address has none.
    ClientSession* Find(std::uint32_t address);
    // The session a CMD_CONNECT from address acts on, opened when address has none. When that would exceed the
    // limit, the longest-idle session is ended first and *ended, when given, receives its client's address.
    ClientSession& Open(std::uint32_t address, std::optional<std::uint32_t>* ended = nullptr);
    // Closes the session's connection and stops its stream; a session of a client's own is gone afterwards.
    void End(ClientSession& session);
    // Ends every session's stream. All connections close before any worker is joined, so that no worker waits on
    // a stalled client while another is being joined.
    void EndAll();

    // The session every client shares (with a limit of 1).
    ClientSession& SharedSession() { return shared_; }

private:
    ClientSession& Heard(ClientSession& session);
    // The session to give up for a new one: one that is not sending (stopped, ended or paused) before one that
    // is, and of those the one heard from longest ago.
    std::vector<std::unique_ptr<ClientSession>>::iterator LongestIdle();

    std::size_t limit_ = 1;
    ClientSession shared_;
    std::vector<std::unique_ptr<ClientSession>> own_;
    std::uint64_t commands_ = 0;
    std::function<void(const StreamEvent&)> observer_;
};

} // namespace tarnvale
