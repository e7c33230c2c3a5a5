// tarnvale-client: speaks the command protocol to a server: lists its catalogue, plays a program into a file
// or standard output, and sends pause, stop and disconnect.
#include "core/MediaType.h"
#include "core/OptionParser.h"
#include "core/ParseInteger.h"
#include "net/CommandClient.h"
#include "net/HostAddress.h"
#include "platform/Console.h"
#include "platform/Socket.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

constexpr const char* kUsageHead = "Usage: tarnvale-client [--host H] [--port N] [--timeout S] [--bind A] COMMAND\n";

using Clock = std::chrono::steady_clock;

struct Command;

struct Options {
    std::string host = "127.0.0.1";
    std::uint16_t port = kCommandPort;
    int timeoutMs = 3000;
    const Command* command = nullptr;
    std::int32_t pid = 0;
    std::optional<std::string> out;
    bool raw = false; // the stream as sent, tail block included
    double seconds = 0;
    std::uint32_t bind = platform::kAnyAddress;
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
    // The tail block leads the stream; a player wants the file from its first byte, so only --raw keeps it.
    const std::uint64_t leftOut = options.raw ? 0 : tail;
    const std::string tailText =
        hasTail ? ", after a tail block of " + std::to_string(tail) + " bytes" + (options.raw ? "" : " (left out)")
                : "";
    std::fprintf(stderr, "playing PID %d: %s (%s), %llu bytes%s\n", program->nPID, PathText(*program).c_str(),
                 MediaTypeText(program->nType), static_cast<unsigned long long>(size), tailText.c_str());
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
            const std::size_t skip =
                received < leftOut ? static_cast<std::size_t>(std::min<std::uint64_t>(got.bytes, leftOut - received))
                                   : 0;
            if (out && std::fwrite(buffer.data() + skip, 1, got.bytes - skip, out.get()) != got.bytes - skip)
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

struct Command {
    const char* name;
    const char* arguments; // as the usage shows them
    const char* help;      // a line break goes on at the help's column
    bool takesPid;
    int (*run)(CommandClient& client, const Options& options);
};

// The commands the protocol does not answer.
template <std::uint32_t Code>
int SendOnly(CommandClient& client, const Options& options) {
    if (!client.SendCommand(Code))
        Fail(1, "cannot send to %s", ServerText(options));
    std::fprintf(stderr, "sent %s to %s\n", options.command->name, ServerText(options).c_str());
    return 0;
}

constexpr Command kCommands[] = {
    {"list", "", "one line per program: PID, type, size, tail offset, path", false, List},
    {"play", "PID [--out FILE|-] [--raw]",
     "receives the program into FILE or standard output (-), byte for\nbyte the served file, ready for a player; "
     "--raw keeps the stream as\nsent (the tail block, then the whole file); without --out, only\ncounts the bytes; "
     "--seconds N stops after N seconds",
     true, Play},
    {"pause", "", "holds the stream where it is (the protocol has no answer)", false, SendOnly<CMD_PAUSE>},
    {"stop", "", "ends the stream (no answer)", false, SendOnly<CMD_STOP>},
    {"disconnect", "", "ends the stream and its connection (no answer)", false, SendOnly<CMD_DISCONNECT>},
};

std::string Usage() {
    // Every help text starts in one column, and so do its further lines.
    constexpr std::size_t kSynopsisWidth = 37;
    std::string text = std::string(kUsageHead) + "\nCommands:\n";
    for (const Command& command : kCommands) {
        std::string synopsis = std::string(command.name) + (*command.arguments ? " " : "") + command.arguments;
        synopsis.resize(std::max(synopsis.size(), kSynopsisWidth), ' ');
        std::string help = command.help;
        for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
            help.insert(at + 1, kSynopsisWidth + 4, ' ');
        text += "  " + synopsis + "  " + help + "\n";
    }
    return text;
}

// "list, play, pause, stop and disconnect".
std::string CommandNames() {
    std::string names;
    for (const Command& command : kCommands) {
        if (!names.empty())
            names += &command == std::end(kCommands) - 1 ? " and " : ", ";
        names += command.name;
    }
    return names;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    int timeoutSeconds = options.timeoutMs / 1000;
    const OptionParser parser(
        "tarnvale-client", Usage(),
        {
            TextOption("--host", "H", "the server's name or IPv4 address (default 127.0.0.1)", options.host),
            IntegerOption<std::uint16_t>("--port", "N", "the server's UDP command port (default 10080)", options.port,
                                         1, 65535),
            IntegerOption<int>("--timeout", "S", "seconds to wait for the server's answers (default 3)", timeoutSeconds,
                               1, 3600, "seconds from 1 to 3600"),
            OptionRow{"--bind",
                      {},
                      "A",
                      "this machine's IPv4 address to use (default: the one that reaches the server)",
                      [&options](const std::string& text) {
                          const std::optional<std::uint32_t> address = ParseIPv4(text);
                          if (!address)
                              return WantsText("--bind", "an IPv4 address of this machine, such as 127.0.0.2", text);
                          options.bind = *address;
                          return std::string();
                      }},
            // play's own, told with the command.
            TextOption("--out", "FILE", {}, options.out),
            SwitchOption("--raw", {}, options.raw),
            OptionRow{"--seconds",
                      {},
                      "N",
                      {},
                      [&options](const std::string& text) {
                          char* end = nullptr;
                          options.seconds = std::strtod(text.c_str(), &end);
                          if (text.empty() || *end || !(options.seconds > 0))
                              return WantsText("--seconds", "a positive number", text);
                          return std::string();
                      }},
        });
    std::vector<std::string> words;
    if (const std::optional<int> status =
            parser.Parse(std::vector<std::string>(argv + 1, argv + argc), words, std::cout, std::cerr))
        std::exit(*status);
    options.timeoutMs = timeoutSeconds * 1000;
    if (words.empty())
        Fail(2, "no command given; see tarnvale-client --help");
    for (const Command& command : kCommands)
        if (words[0] == command.name)
            options.command = &command;
    if (!options.command)
        Fail(2, "unknown command \"%s\"; the commands are %s", words[0], CommandNames());
    if (options.command->takesPid) {
        const std::optional<std::int32_t> pid = words.size() == 2 ? ParseInteger<std::int32_t>(words[1]) : std::nullopt;
        if (!pid)
            Fail(2, "%s wants one PID (a whole number), for example: tarnvale-client %s 12", words[0], words[0]);
        options.pid = *pid;
    } else if (words.size() > 1) {
        Fail(2, "%s takes no arguments (\"%s\" is one too many)", words[0], words[1]);
    }
    if (options.command->run != Play && (options.out || options.raw || options.seconds > 0))
        Fail(2, "--out, --raw and --seconds belong to play");
    return options;
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
    if (!client.Open(platform::Endpoint{address, options.port}, &error, 0, options.bind)) {
        if (options.bind != platform::kAnyAddress)
            Fail(1, "cannot use %s for the reply and stream ports (%s); --bind wants an address of this machine",
                 FormatIPv4(options.bind), error.message);
        Fail(1, "cannot set up this machine's reply and stream ports: %s", error.message);
    }
    return options.command->run(client, options);
}
