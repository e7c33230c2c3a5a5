// HeadlessServer: the headless server in one piece: the list file's follower and the network sides over the
// catalogue it keeps. It tells its operator what it does in lines it hands to the program (or to a test), each log
// line led by "tarnvale-server: ".
#pragma once

#include "core/ListFileFollower.h"
#include "core/MediaInfoList.h"
#include "platform/Socket.h"
#include "server/NetworkSides.h"

#include <cstdint>
#include <string>

namespace tarnvale {

// The headless server's options are its network sides' settings: list names the file it follows.
using ServerOptions = NetworkSettings;

class HeadlessServer {
public:
    HeadlessServer(ServerOptions options, ServerLines lines);
    // Stops the server.
    ~HeadlessServer();
    HeadlessServer(const HeadlessServer&) = delete;
    HeadlessServer& operator=(const HeadlessServer&) = delete;

    // Loads the list file, starts following it and starts serving. False when the server cannot serve: error then
    // says why and what to do, in lines for the log (without their "tarnvale-server: ").
    bool Start(std::string& error);
    // Says goodbye on the LAN, stops serving (no command runs and no stream is sent any more), then stops following
    // the list file.
    void Stop();

    // The command port; 0 while the server is not serving.
    std::uint16_t BoundPort() const { return sides_.CommandPort(); }
    // The HTTP port; 0 without an HTTP side.
    std::uint16_t HttpPort() const { return sides_.HttpPort(); }
    // The picture maker's runs so far.
    std::size_t PictureRuns() const { return sides_.PictureRuns(); }

private:
    void Out(const std::string& line) const;
    void Log(const std::string& line) const;
    void LogChange(const ListFileChange& change);

    const ServerOptions options_;
    const ServerLines lines_;
    SocketLibrary sockets_;
    // In the order each needs the ones before it; the sides stop before the follower, and both before the
    // catalogue goes.
    CMediaInfoList catalogue_;
    ListFileFollower follower_;
    NetworkSides sides_;
};

} // namespace tarnvale
