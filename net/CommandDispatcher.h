// CCommandDispatcher: carries out each command datagram against the catalogue, the command server's replies and
// the stream sender. The command service (net/CommandService.h) hands it the datagrams its server receives.
#pragma once

#include "core/MediaInfoList.h"
#include "net/CommandServer.h"
#include "net/Protocol.h"
#include "net/StreamSender.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace tarnvale {

class CCommandDispatcher {
public:
    CCommandDispatcher(CMediaInfoList& catalogue, CCommandServer& server, CStreamSender& sender);

    // Carries out one command to its end (replies, the connect back, waits for the sender). Datagrams shorter
    // than their command's fields, replies and unknown codes are ignored.
    void DispatchCommand(std::span<const std::uint8_t> datagram);
    // One MSG_PROGRAM per record, in catalogue order, to the server's reply target, from a fresh reply socket.
    void SendProgramList();
    void SendConnected();

    // Receives one line per datagram and per outcome worth telling (a PID nobody has, a file that would not
    // open); for an operator's log. Set before commands arrive.
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

private:
    using Handler = void (CCommandDispatcher::*)(const Command&);
    void OnConnect(const Command& command);
    void OnDisconnect(const Command& command);
    void OnList(const Command& command);
    void OnPlay(const Command& command);
    void OnPause(const Command& command);
    void OnStop(const Command& command);
    void Log(const std::string& line) const;

    CMediaInfoList& catalogue_;
    CCommandServer& server_;
    CStreamSender& sender_;
    std::function<void(const std::string&)> log_;
};

} // namespace tarnvale
