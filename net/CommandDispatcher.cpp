// The commands of the protocol, one handler each.
#include "net/CommandDispatcher.h"

#include "net/HostAddress.h"

#include <iterator>
#include <vector>

namespace tarnvale {

CCommandDispatcher::CCommandDispatcher(CMediaInfoList& catalogue, CCommandServer& server, CStreamSender& sender)
    : catalogue_(catalogue), server_(server), sender_(sender) {}

void CCommandDispatcher::DispatchCommand(std::span<const std::uint8_t> datagram) {
    // Indexed by command code; replies and unknown codes have no handler.
    static const struct {
        const char* name;
        Handler handler;
    } kCommands[] = {
        {"CONNECT", &CCommandDispatcher::OnConnect}, {"DISCONNECT", &CCommandDispatcher::OnDisconnect},
        {"LIST", &CCommandDispatcher::OnList},       {"PROGRAM (a reply)", nullptr},
        {"PLAY", &CCommandDispatcher::OnPlay},       {"PAUSE", &CCommandDispatcher::OnPause},
        {"STOP", &CCommandDispatcher::OnStop},       {"CONNECTED (a reply)", nullptr},
    };
    Command command;
    const DecodeResult decoded = DecodeCommand(datagram, command);
    const bool known = command.code < std::size(kCommands);
    const std::string name = known ? kCommands[command.code].name : "code " + std::to_string(command.code);
    if (decoded == DecodeResult::TooShort) {
        Log("ignored: " + std::to_string(datagram.size()) + "-byte datagram, too short for " + name);
        return;
    }
    const Handler handler = known ? kCommands[command.code].handler : nullptr;
    if (!handler) {
        Log("ignored: " + name);
        return;
    }
    (this->*handler)(command);
}

void CCommandDispatcher::OnConnect(const Command& command) {
    Log("CONNECT from " + FormatIPv4(command.address) + ", reply port " + std::to_string(command.replyPort) +
        ", stream port " + std::to_string(command.streamPort));
    server_.SetReplyAddress(command.address);
    server_.SetReplyPort(command.replyPort);
    if (!sender_.Connect(command.address, command.streamPort))
        Log("cannot connect to " + FormatIPv4(command.address) + ":" + std::to_string(command.streamPort) +
            "; streams wait for the next CONNECT");
    SendConnected();
}

void CCommandDispatcher::OnDisconnect(const Command&) {
    Log("DISCONNECT");
    sender_.Close();
    sender_.Stop();
}

void CCommandDispatcher::OnList(const Command&) {
    Log("LIST");
    SendProgramList();
}

void CCommandDispatcher::OnPlay(const Command& command) {
    Log("PLAY PID " + std::to_string(command.pid));
    const std::optional<CMediaInfo> record = catalogue_.FindByPid(command.pid);
    if (!record) {
        Log("no program has PID " + std::to_string(command.pid));
        return;
    }
    const bool opened = sender_.Open(*record);
    // Started before the pause ends: a paused worker is then surely found running and goes on with the new file,
    // where once unpaused it might send the whole file and end before Start looked, and a second worker would
    // send it all again.
    const bool started = opened && sender_.Start();
    // Unpaused either way: a running stream whose new file would not open ends at its next piece.
    sender_.SetPaused(false);
    if (!opened) {
        Log("cannot open " + std::string(record->Path()) + " for PID " + std::to_string(command.pid));
        return;
    }
    if (!started)
        Log("no connection to stream PID " + std::to_string(command.pid) + " on; send CONNECT first");
}

void CCommandDispatcher::OnPause(const Command&) {
    Log("PAUSE");
    sender_.SetPaused(true);
}

void CCommandDispatcher::OnStop(const Command&) {
    Log("STOP");
    sender_.SetPaused(false);
    sender_.Stop();
}

void CCommandDispatcher::SendProgramList() {
    if (!server_.OpenReplySocket())
        return;
    // The datagrams are built under the catalogue's lock and sent after it is released, so that the window and
    // the folder search are not held up by the network.
    std::vector<ReplyDatagram> replies = catalogue_.WithRecords([](const std::vector<CMediaInfo>& records) {
        std::vector<ReplyDatagram> out;
        out.reserve(records.size());
        ProgramEntry entry;
        for (const CMediaInfo& record : records) {
            record.FillProgramEntry(entry);
            out.push_back(EncodeProgramReply(entry));
        }
        return out;
    });
    for (const ReplyDatagram& reply : replies)
        server_.SendTo(reply.data(), reply.size());
}

void CCommandDispatcher::SendConnected() {
    if (!server_.OpenReplySocket())
        return;
    const ReplyDatagram reply = EncodeConnectedReply();
    server_.SendTo(reply.data(), reply.size());
}

void CCommandDispatcher::Log(const std::string& line) const {
    if (log_)
        log_(line);
}

} // namespace tarnvale
