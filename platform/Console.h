// What a console program needs from the system: waiting for the operator's stop (Ctrl+C, SIGINT, SIGTERM),
// binary standard output, and where a user's data files live.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace tarnvale::platform {

// Catches the stop requests from construction on (Ctrl+C, SIGINT, SIGTERM, SIGHUP; on Windows also the console
// window closing, logging off and shutting down). Construct it before any thread starts, so that the signals reach
// Wait and not some worker.
class StopRequest {
public:
    StopRequest();
    ~StopRequest();
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;
    // Blocks until the operator asks the program to stop; returns what asked ("SIGINT", "Ctrl+C", ...), or an empty
    // text when Release came first.
    std::string Wait();
    // From any thread: the Wait under way, or the next one, returns at once with an empty text (the program ended
    // on its own, and a thread that waits for the stop may end too).
    void Release();
    // Tells the system the program has finished stopping (a console window being closed waits for this).
    void Done();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Standard output without newline translation, for streaming bytes to it.
void SetBinaryStdout();
// Whether stream goes to a terminal (so a progress line may be rewritten in place) rather than to a file or pipe.
bool IsTerminal(std::FILE* stream);

// The folder for this user's data files ($XDG_DATA_HOME/tarnvale or ~/.local/share/tarnvale); empty where the
// system keeps its data in fixed places instead (Windows).
std::string UserDataDirectory();

} // namespace tarnvale::platform
