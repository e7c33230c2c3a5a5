// tarnvale-client: speaks the command protocol to a server: lists its catalogue, plays a program into a file
// or standard output, and sends pause, stop and disconnect.
#include "core/MediaType.h"
#include "net/CommandClient.h"
#include "net/CommandDispatcher.h"
#include "platform/Console.h"
#include "platform/Socket.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

constexpr const char* kUsage = R"(Usage: tarnvale-client [--host H] [--port N] [--timeout S] COMMAND

Commands:
  list                                   one line per program: PID, type, size, tail offset, path
  play PID [--out FILE|-] [--seconds N]  receives the program's stream (the tail block, then the whole file)
                                         into FILE or standard output (-), or only counts it; stops after
                                         N seconds when given
  pause | stop | disconnect              sends that command (the protocol has no answer to them)

Options:
  --host H      the server's name or IPv4 address (default 127.0.0.1)
  --port N      the server's UDP command port (default 10080)
  --timeout S   seconds to wait for the server's answers (default 3)
)";

using Clock = std::chrono::steady_clock;

struct Options {
    std::string host = "127.0.0.1";
    std::uint16_t port = kCommandPort;
    int timeoutMs = 3000;
    std::string command;
    std::int32_t pid = 0;
    std::optional<std::string> out;
    double seconds = 0;
};

// Prints the message, with each %s replaced by the next of a and b, and ends the program with code.
[[noreturn]] void Fail(int code, const char* message, const std::string& a = {}, const std::string& b = {}) {
    std::string text = message;
    for (const std::string* part : {&a, &b})
        if (auto at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, *part);
    std::fprintf(stderr, "tarnvale-client: %s\n", text.c_str());
    std::exit(code);
}

bool ParseLong(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return *text && !*end && value >= low && value <= high;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        if (arg == "--help" || arg == "-h") {
            std::printf("%s", kUsage);
            std::exit(0);
        } else if (arg == "--host" || arg == "--port" || arg == "--timeout" || arg == "--out" || arg == "--seconds") {
            if (!value)
                Fail(2, "missing value after %s; see tarnvale-client --help", arg);
            ++i;
            if (arg == "--host") {
                options.host = value;
            } else if (arg == "--port") {
                if (!ParseLong(value, 1, 65535, number))
                    Fail(2, "--port wants a number from 1 to 65535, not \"%s\"", value);
                options.port = static_cast<std::uint16_t>(number);
            } else if (arg == "--timeout") {
                if (!ParseLong(value, 1, 3600, number))
                    Fail(2, "--timeout wants seconds from 1 to 3600, not \"%s\"", value);
                options.timeoutMs = static_cast<int>(number * 1000);
            } else if (arg == "--out") {
                options.out = value;
            } else {
                char* end = nullptr;
                options.seconds = std::strtod(value, &end);
                if (!*value || *end || !(options.seconds > 0))
                    Fail(2, "--seconds wants a positive number, not \"%s\"", value);
            }
        } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
            Fail(2, "unknown option %s; see tarnvale-client --help", arg);
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty())
        Fail(2, "no command given; see tarnvale-client --help");
    options.command = words[0];
    const bool play = options.command == "play";
    if (play) {
        long pid = 0;
        if (words.size() != 2 || !ParseLong(words[1].c_str(), INT32_MIN, INT32_MAX, pid))
            Fail(2, "play wants one PID (a whole number), for example: tarnvale-client play 12");
        options.pid = static_cast<std::int32_t>(pid);
    } else if (options.command != "list" && options.command != "pause" && options.command != "stop" &&
               options.command != "disconnect") {
        Fail(2, "unknown command \"%s\"; the commands are list, play, pause, stop and disconnect", options.command);
    } else if (words.size() > 1) {
        Fail(2, "%s takes no arguments (\"%s\" is one too many)", options.command, words[1]);
    }
    if (!play && (options.out || options.seconds > 0))
        Fail(2, "--out and --seconds belong to play");
    return options;
}

std::string ServerText(const Options& options) {
    return options.host + ":" + std::to_string(options.port);
}

void NoAnswer(const Options& options) {
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%d", options.timeoutMs / 1000);
    Fail(3,
         "no answer from %s within %s s. Is tarnvale-server running there, and do firewalls let its UDP port and "
         "this machine's reply ports through? (--host, --port, --timeout)",
         ServerText(options), seconds);
}

std::string PathText(const ProgramEntry& entry) {
    return std::string(entry.szFile, strnlen(entry.szFile, sizeof entry.szFile));
}

// CMD_CONNECT and its answer; every command that expects replies starts with it.
void Connect(CommandClient& client, const Options& options) {
    if (client.Connect(options.timeoutMs) != CommandClient::Wait::Got)
        NoAnswer(options);
}

std::vector<ProgramEntry> FetchList(CommandClient& client, const Options& options) {
    std::vector<ProgramEntry> programs;
    // Replies follow each other closely; a quiet spell this long means the list is over.
    constexpr int kQuietMs = 300;
    if (client.List(programs, options.timeoutMs, kQuietMs) == CommandClient::Wait::Failed)
        Fail(1, "cannot send to %s", ServerText(options));
    if (client.ReplyBufferBytes() > 0 && client.ReplyBufferBytes() < 4 * 1024 * 1024 && programs.size() > 200)
        std::fprintf(stderr,
                     "tarnvale-client: note: the system granted only %d KiB for replies, so a long catalogue may "
                     "arrive incomplete (raise net.core.rmem_max)\n",
                     client.ReplyBufferBytes() / 1024);
    return programs;
}

int List(CommandClient& client, const Options& options) {
    Connect(client, options);
    const std::vector<ProgramEntry> programs = FetchList(client, options);
    for (const ProgramEntry& entry : programs)
        std::printf("%d  %s  %d  %d  %s\n", entry.nPID, MediaTypeText(entry.nType), entry.nSize, entry.nTailOffset,
                    PathText(entry).c_str());
    if (programs.empty())
        std::fprintf(stderr, "tarnvale-client: %s answered; its catalogue is empty\n", ServerText(options).c_str());
    return 0;
}

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != stdout)
            std::fclose(file);
    }
};

void ShowProgress(std::uint64_t received, std::uint64_t expected, bool final) {
    constexpr double kMiB = 1024.0 * 1024.0;
    std::fprintf(stderr, "\rreceived %.1f of %.1f MiB (%3.0f%%)%s", received / kMiB, expected / kMiB,
                 expected ? 100.0 * static_cast<double>(received) / static_cast<double>(expected) : 100.0,
                 final ? "\n" : "");
}

int Play(CommandClient& client, const Options& options) {
    Connect(client, options);
    platform::SystemError error;
    platform::Socket stream = client.AcceptStream(options.timeoutMs, &error);
    if (!stream)
        Fail(3,
             "%s answered but did not connect to this machine's TCP port (%s). A firewall may block the stream "
             "port.",
             ServerText(options), error.message);
    const std::vector<ProgramEntry> programs = FetchList(client, options);
    const ProgramEntry* program = nullptr;
    for (const ProgramEntry& entry : programs)
        if (entry.nPID == options.pid) {
            program = &entry;
            break;
        }
    if (!program)
        Fail(1, "%s has no program with PID %s; tarnvale-client list shows what it has", ServerText(options),
             std::to_string(options.pid));

    const std::uint64_t size = program->nSize > 0 ? static_cast<std::uint64_t>(program->nSize) : 0;
    const bool hasTail = program->nTailOffset > 0 && program->nTailOffset < program->nSize;
    const std::uint64_t tail = hasTail ? size - static_cast<std::uint64_t>(program->nTailOffset) : 0;
    const std::uint64_t expected = tail + size;

    std::unique_ptr<std::FILE, FileCloser> out;
    if (options.out && *options.out == "-") {
        platform::SetBinaryStdout();
        out.reset(stdout);
    } else if (options.out) {
        out.reset(std::fopen(options.out->c_str(), "wb"));
        if (!out)
            Fail(1, "cannot write %s: %s", *options.out, std::strerror(errno));
    }
    std::fprintf(stderr, "playing PID %d: %s (%s), %llu bytes%s\n", program->nPID, PathText(*program).c_str(),
                 MediaTypeText(program->nType), static_cast<unsigned long long>(size),
                 hasTail ? (", after a tail block of " + std::to_string(tail) + " bytes").c_str() : "");
    if (!client.SendPlay(options.pid))
        Fail(1, "cannot send to %s", ServerText(options));

    // The stream has no end marker: it is over when the tail block and the whole file have arrived.
    constexpr int kIdleLimitMs = 15000;
    const bool showProgress = platform::IsTerminal(stderr);
    const auto start = Clock::now();
    const auto deadline =
        options.seconds > 0
            ? start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds))
            : Clock::time_point::max();
    auto lastProgress = start;
    auto lastData = start;
    std::vector<std::uint8_t> buffer(256 * 1024);
    std::uint64_t received = 0;
    const char* ended = nullptr;
    while (received < expected) {
        const auto now = Clock::now();
        if (now >= deadline) {
            ended = "time is up";
            break;
        }
        if (now - lastData > std::chrono::milliseconds(kIdleLimitMs)) {
            ended = "no data for 15 s (paused or stopped by another command?)";
            break;
        }
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), expected - received));
        const platform::IoResult got = ReceiveWithin(stream.get(), buffer.data(), want, 200);
        if (got.status == platform::IoStatus::Ok) {
            if (out && std::fwrite(buffer.data(), 1, got.bytes, out.get()) != got.bytes)
                Fail(1, "cannot write %s: %s", options.out->c_str(), std::strerror(errno));
            received += got.bytes;
            lastData = Clock::now();
        } else if (got.status != platform::IoStatus::WouldBlock) {
            ended = "the server closed the stream";
            break;
        }
        if (showProgress && Clock::now() - lastProgress > std::chrono::milliseconds(250)) {
            ShowProgress(received, expected, false);
            lastProgress = Clock::now();
        }
    }
    if (showProgress)
        ShowProgress(received, expected, true);
    // Ends the stream if it still runs and leaves the server without a connection to this client.
    if (received < expected)
        client.SendCommand(CMD_STOP);
    client.SendCommand(CMD_DISCONNECT);
    if (out && std::fflush(out.get()) != 0)
        Fail(1, "cannot write %s: %s", options.out->c_str(), std::strerror(errno));

    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::fprintf(stderr, "received %llu of %llu bytes in %.2f s (%.1f MiB/s)%s%s\n",
                 static_cast<unsigned long long>(received), static_cast<unsigned long long>(expected), seconds,
                 seconds > 0 ? received / seconds / (1024.0 * 1024.0) : 0.0, ended ? ": " : "", ended ? ended : "");
    return received == expected || (ended && options.seconds > 0 && Clock::now() >= deadline) ? 0 : 1;
}

int SendOnly(CommandClient& client, const Options& options) {
    static const struct {
        const char* name;
        std::uint32_t code;
    } kCommands[] = {{"pause", CMD_PAUSE}, {"stop", CMD_STOP}, {"disconnect", CMD_DISCONNECT}};
    for (const auto& command : kCommands)
        if (options.command == command.name) {
            if (!client.SendCommand(command.code))
                Fail(1, "cannot send to %s", ServerText(options));
            std::fprintf(stderr, "sent %s to %s\n", command.name, ServerText(options).c_str());
        }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    SocketLibrary sockets;
    if (!sockets.Ready())
        Fail(1, "the system's sockets could not be started (WSAStartup failed)");
    platform::SystemError error;
    std::uint32_t address = 0;
    if (!platform::ResolveIPv4(options.host, address, &error))
        Fail(2, "cannot find the server %s: %s", options.host, error.message);
    CommandClient client;
    if (!client.Open(platform::Endpoint{address, options.port}, &error))
        Fail(1, "cannot set up this machine's reply and stream ports: %s", error.message);
    if (options.command == "list")
        return List(client, options);
    if (options.command == "play")
        return Play(client, options);
    return SendOnly(client, options);
}
