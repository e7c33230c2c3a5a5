// CCommandDispatcher: carries out each command datagram against the catalogue, the command server's replies and
// the stream sender. The Windows main window and the headless server both hand it their datagrams.
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
    // One MSG_PROGRAM per record, in catalogue order, to the reply target, from a fresh reply socket.
    void SendProgramList();
    void SendConnected();

    // Receives one line per datagram and per outcome worth telling (a PID nobody has, a file that would not
    // open); for an operator's log. Set before commands arrive.
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

    std::uint32_t ReplyAddress() const { return replyAddress_; }
    std::uint16_t ReplyPort() const { return replyPort_; }

private:
    using Handler = void (CCommandDispatcher::*)(const Command&);
    void OnConnect(const Command& command);
    void OnDisconnect(const Command& command);
    void OnList(const Command& command);
    void OnPlay(const Command& command);
    void OnPause(const Command& command);
    void OnStop(const Command& command);
    bool PrepareReplies();
    void Log(const std::string& line) const;

    CMediaInfoList& catalogue_;
    CCommandServer& server_;
    CStreamSender& sender_;
    // The reply target of the last CMD_CONNECT; copied into the server before every burst of replies.
    std::uint32_t replyAddress_ = 0;
    std::uint16_t replyPort_ = 0;
    std::function<void(const std::string&)> log_;
};

// "a.b.c.d" for an address in host order.
std::string FormatIPv4(std::uint32_t address);

} // namespace tarnvale
