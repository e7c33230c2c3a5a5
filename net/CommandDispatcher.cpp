// The commands of the protocol, one handler each.
#include "net/CommandDispatcher.h"

#include "net/HostAddress.h"

#include <iterator>
#include <vector>

namespace tarnvale {

CommandDispatcher::CommandDispatcher(CMediaInfoList& catalogue, CCommandServer& server, SessionTable& sessions)
    : catalogue_(catalogue), server_(server), sessions_(sessions) {}

void CommandDispatcher::DispatchCommand(std::span<const std::uint8_t> datagram, std::uint32_t source) {
    // Indexed by command code; replies and unknown codes have no handler.
    static const struct {
        const char* name;
        Handler handler;
    } kCommands[] = {
        {"CONNECT", &CommandDispatcher::OnConnect}, {"DISCONNECT", &CommandDispatcher::OnDisconnect},
        {"LIST", &CommandDispatcher::OnList},       {"PROGRAM (a reply)", nullptr},
        {"PLAY", &CommandDispatcher::OnPlay},       {"PAUSE", &CommandDispatcher::OnPause},
        {"STOP", &CommandDispatcher::OnStop},       {"CONNECTED (a reply)", nullptr},
    };
    logPrefix_.clear();
    if (!allow_.Allows(source)) {
        Log("ignored: a datagram from " + FormatIPv4(source) + ", which is not an allowed address");
        return;
    }
    if (!sessions_.Shared())
        logPrefix_ = FormatIPv4(source) + ": ";
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
    if (ClientSession* session = SessionFor(command, name, source))
        (this->*handler)(*session, command);
}

ClientSession* CommandDispatcher::SessionFor(const Command& command, const std::string& name, std::uint32_t source) {
    if (command.code != CMD_CONNECT) {
        ClientSession* session = sessions_.Find(source);
        if (!session)
            Log("ignored: " + name + " from an address without a session; CONNECT opens one");
        return session;
    }
    // Any datagram could otherwise make the server connect out, and send its answer, to any address it names.
    if (!allow_.Allows(command.address)) {
        Log("ignored: CONNECT naming " + FormatIPv4(command.address) + ", which is not an allowed address");
        return nullptr;
    }
    std::optional<std::uint32_t> ended;
    ClientSession& session = sessions_.Open(source, &ended);
    if (ended)
        Log("ended the session of " + FormatIPv4(*ended) + ", idle longest, to make room");
    return &session;
}

void CommandDispatcher::OnConnect(ClientSession& session, const Command& command) {
    Log("CONNECT from " + FormatIPv4(command.address) + ", reply port " + std::to_string(command.replyPort) +
        ", stream port " + std::to_string(command.streamPort));
    session.replyTarget = platform::Endpoint{command.address, command.replyPort};
    if (!session.sender.Connect(command.address, command.streamPort, &cancelConnects_))
        Log("cannot connect to " + FormatIPv4(command.address) + ":" + std::to_string(command.streamPort) +
            "; streams wait for the next CONNECT");
    SendConnected(session);
}

void CommandDispatcher::OnDisconnect(ClientSession& session, const Command&) {
    Log("DISCONNECT");
    sessions_.End(session);
}

void CommandDispatcher::OnList(ClientSession& session, const Command&) {
    Log("LIST");
    SendProgramList(session);
}

void CommandDispatcher::OnPlay(ClientSession& session, const Command& command) {
    CStreamSender& sender = session.sender;
    Log("PLAY PID " + std::to_string(command.pid));
    const std::optional<CMediaInfo> record = catalogue_.FindByPid(command.pid);
    if (!record) {
        Log("no program has PID " + std::to_string(command.pid));
        return;
    }
    const bool opened = sender.Open(*record);
    // Started before the pause ends: a paused worker is then surely found running and goes on with the new file,
    // where once unpaused it might send the whole file and end before Start looked, and a second worker would
    // send it all again.
    const bool started = opened && sender.Start();
    // Unpaused either way: a running stream whose new file would not open ends at its next piece.
    sender.SetPaused(false);
    if (!opened) {
        Log("cannot open " + std::string(record->Path()) + " for PID " + std::to_string(command.pid));
        return;
    }
    if (!started)
        Log("no connection to stream PID " + std::to_string(command.pid) + " on; send CONNECT first");
}

void CommandDispatcher::OnPause(ClientSession& session, const Command&) {
    Log("PAUSE");
    session.sender.SetPaused(true);
}

void CommandDispatcher::OnStop(ClientSession& session, const Command&) {
    Log("STOP");
    session.sender.SetPaused(false);
    session.sender.Stop();
}

void CommandDispatcher::SendProgramList(const ClientSession& session) {
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
        server_.SendTo(reply.data(), reply.size(), session.replyTarget);
}

void CommandDispatcher::SendConnected(const ClientSession& session) {
    if (!server_.OpenReplySocket())
        return;
    const ReplyDatagram reply = EncodeConnectedReply();
    server_.SendTo(reply.data(), reply.size(), session.replyTarget);
}

void CommandDispatcher::Log(const std::string& line) const {
    if (log_)
        log_(logPrefix_ + line);
}

} // namespace tarnvale
