// CommandDispatcher: carries out each command datagram against the catalogue, the command server's replies and
// the client sessions. The command service (net/CommandService.h) hands it the datagrams its server receives.
#pragma once

#include "core/MediaInfoList.h"
#include "net/AllowList.h"
#include "net/CommandServer.h"
#include "net/Protocol.h"
#include "net/SessionTable.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tarnvale {

class CommandDispatcher {
public:
    CommandDispatcher(CMediaInfoList& catalogue, CCommandServer& server, SessionTable& sessions);

    // Carries out one command from source (an IPv4 address, host order) to its end: replies, the connect back,
    // waits for the sender. Datagrams from addresses the allow list leaves out, datagrams shorter than their
    // command's fields, replies, unknown codes and commands from an address without a session are ignored.
    void DispatchCommand(std::span<const std::uint8_t> datagram, std::uint32_t source);

    // Before commands arrive: the addresses whose datagrams are carried out and that CMD_CONNECT may name.
    void SetAllowList(AllowList allow) { allow_ = std::move(allow); }
    // Receives one line per datagram and per outcome worth telling (a PID nobody has, a file that would not
    // open); for an operator's log. Set before commands arrive.
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }
    // From now on a connect to a client under way and every later one fail at once, until AllowConnects; for
    // shutting down while a client's address does not answer. Any thread.
    void CancelConnects() { cancelConnects_ = true; }
    void AllowConnects() { cancelConnects_ = false; }

private:
    using Handler = void (CommandDispatcher::*)(ClientSession&, const Command&);
    void OnConnect(ClientSession& session, const Command& command);
    void OnDisconnect(ClientSession& session, const Command& command);
    void OnList(ClientSession& session, const Command& command);
    void OnPlay(ClientSession& session, const Command& command);
    void OnPause(ClientSession& session, const Command& command);
    void OnStop(ClientSession& session, const Command& command);
    // CMD_CONNECT opens (or keeps) the sender's session; every other command needs one. Null: ignore the command.
    ClientSession* SessionFor(const Command& command, const std::string& name, std::uint32_t source);
    // One MSG_PROGRAM per record, in catalogue order, to the session's reply target, from a fresh reply socket.
    void SendProgramList(const ClientSession& session);
    void SendConnected(const ClientSession& session);
    void Log(const std::string& line) const;

    CMediaInfoList& catalogue_;
    CCommandServer& server_;
    SessionTable& sessions_;
    AllowList allow_;
    std::atomic<bool> cancelConnects_{false};
    std::function<void(const std::string&)> log_;
    // With a session per client, each log line starts with the address of the command's sender.
    std::string logPrefix_;
};

} // namespace tarnvale
