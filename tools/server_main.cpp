// tarnvale-server: the headless command server. Serves the programs of a list file, following the file as the
// catalogue tool edits it, answers clients on the command port and streams their programs until it is stopped.
#include "core/ListFile.h"
#include "core/ListFileFollower.h"
#include "core/MediaType.h"
#include "core/ParseInteger.h"
#include "net/AllowList.h"
#include "net/CommandService.h"
#include "net/HostAddress.h"
#include "platform/Console.h"
#include "platform/Socket.h"
#include "tools/DefaultListFile.h"
#include "tools/Version.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

using namespace tarnvale;

namespace {

constexpr const char* kUsage =
    R"(Usage: tarnvale-server [--port N] [--list FILE] [--sessions N] [--allow NETS] [--verbose]

Serves the programs of a list file to clients on the local network: commands arrive as UDP datagrams on the
command port, and the chosen program is sent back over TCP. The server follows the list file: what tarnvale
adds or deletes while it runs is served from the next command on. It never writes the file. Stop it with
Ctrl+C or SIGTERM.

  --port N      UDP command port (default 10080; 0 takes any free port)
  --list FILE   the list file (default: %s; $TARNVALE_LIST names another)
  --verbose     one line on stderr per command received, per stream started or ended and per reload
  --sessions N  serve up to N clients at once, each with its own program (default 1: whoever
                connected last gets the replies and the stream)
  --allow NETS  answer and connect to only these addresses: IPv4 addresses or networks,
                comma-separated, such as 192.168.1.0/24,10.0.0.5 (default: every address)
  --help        this text
  --version     the version
)";

// Each session has a stream worker of its own.
constexpr std::size_t kMaxSessions = 256;

struct Options {
    std::uint16_t port = kCommandPort;
    std::string list;
    bool verbose = false;
    std::size_t sessions = 1;
    AllowList allow;
};

// 0 to go on, otherwise the exit code.
int ParseOptions(int argc, char** argv, Options& options) {
    options.list = DefaultListFile();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::printf(kUsage, DefaultListFile().c_str());
            return -1;
        } else if (arg == "--version") {
            std::printf("%s", VersionLine("tarnvale-server").c_str());
            return -1;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--port" && hasValue) {
            const std::optional<std::uint16_t> port = ParseInteger<std::uint16_t>(argv[++i], 0, 65535);
            if (!port) {
                std::fprintf(stderr, "tarnvale-server: --port wants a number from 0 to 65535, not \"%s\"\n", argv[i]);
                return 2;
            }
            options.port = *port;
        } else if (arg == "--list" && hasValue) {
            options.list = argv[++i];
        } else if (arg == "--sessions" && hasValue) {
            const std::optional<std::size_t> sessions = ParseInteger<std::size_t>(argv[++i], 1, kMaxSessions);
            if (!sessions) {
                std::fprintf(stderr, "tarnvale-server: --sessions wants a number from 1 to %zu, not \"%s\"\n",
                             kMaxSessions, argv[i]);
                return 2;
            }
            options.sessions = *sessions;
        } else if (arg == "--allow" && hasValue) {
            std::string error;
            std::optional<AllowList> allow = AllowList::Parse(argv[++i], &error);
            if (!allow) {
                std::fprintf(stderr, "tarnvale-server: --allow: %s\n", error.c_str());
                return 2;
            }
            options.allow = std::move(*allow);
        } else {
            std::fprintf(stderr, "tarnvale-server: %s \"%s\"; see tarnvale-server --help\n",
                         hasValue || arg.rfind("--", 0) != 0 ? "unknown argument" : "missing value after", arg.c_str());
            return 2;
        }
    }
    return 0;
}

void LogLine(const std::string& line) {
    std::fprintf(stderr, "tarnvale-server: %s\n", line.c_str());
}

void LogStream(const StreamEvent& event) {
    const CMediaInfo& program = event.program;
    // With a session per client, the client's address first.
    const std::string client = event.client ? FormatIPv4(event.client) + ": " : "";
    char line[512];
    if (event.kind == StreamEvent::Kind::Started) {
        std::snprintf(line, sizeof line, "stream started: PID %d (%s, %d bytes, tail offset %d) %s", program.m_nPID,
                      MediaTypeText(program.m_nType), program.m_nSize, program.m_nTailOffset, program.m_szFile);
    } else if (event.kind == StreamEvent::Kind::Waiting) {
        std::snprintf(line, sizeof line, "stream waits: the client takes PID %d more slowly than it is sent",
                      program.m_nPID);
    } else {
        std::snprintf(line, sizeof line, "stream ended: PID %d, %llu bytes sent (tail block %llu): %s", program.m_nPID,
                      static_cast<unsigned long long>(event.totalBytes),
                      static_cast<unsigned long long>(event.tailBytes), StreamEndText(event.end));
    }
    LogLine(client + line);
}

// Refusals and a watch that ended are always told: the operator's edit is not being served. Reloads only with
// --verbose.
void LogChange(const std::string& list, bool verbose, const ListFileChange& change) {
    const std::string programs = std::to_string(change.programs) + (change.programs == 1 ? " program" : " programs");
    const ListFileLoad& load = change.load;
    if (change.kind == ListFileChange::Kind::Taken) {
        if (verbose)
            LogLine("list file reloaded: " + programs + " from " + list + (load.fileMissing ? " (no such file)" : ""));
        if (load.recordsSkipped)
            LogLine(std::to_string(load.recordsSkipped) + " records of " + list +
                    " have paths longer than 255 bytes and are left out");
    } else if (change.kind == ListFileChange::Kind::Refused) {
        LogLine(FailedLoadText(list, load) + "; still serving the " + programs + " loaded before");
    } else {
        LogLine("no longer following " + list + " (" + load.error + "); restart the server to serve later changes");
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (int code = ParseOptions(argc, argv, options))
        return code < 0 ? 0 : code;

    platform::StopRequest stop; // before any thread starts
    SocketLibrary sockets;
    if (!sockets.Ready()) {
        std::fprintf(stderr, "tarnvale-server: the system's sockets could not be started (WSAStartup failed)\n");
        return 1;
    }

    std::string address, name;
    if (GetHostAddress(address, &name))
        std::printf("%s\n", HostLine(name, address, options.port).c_str());
    else
        std::fprintf(stderr, "tarnvale-server: this host's name or address cannot be found; clients must be told "
                             "its address some other way\n");

    // The folder is made when missing, so that it can be watched before the catalogue tool first saves there.
    std::error_code ignored;
    if (const std::filesystem::path folder = std::filesystem::path(options.list).parent_path(); !folder.empty())
        std::filesystem::create_directories(folder, ignored);
    CMediaInfoList catalogue;
    CListFileFollower follower(options.list, catalogue);
    platform::SystemError watchError;
    const bool following = follower.Watch(&watchError);
    ListFileLoad load;
    if (!follower.Load(&load)) {
        std::fprintf(stderr,
                     "tarnvale-server: %s.\nNothing was changed; repair or move the file, or name another with "
                     "--list.\n",
                     FailedLoadText(options.list, load).c_str());
        return 1;
    }
    if (load.recordsSkipped)
        std::fprintf(stderr, "tarnvale-server: %zu records of %s have paths longer than 255 bytes and are left out\n",
                     load.recordsSkipped, options.list.c_str());
    std::printf("%zu %s from %s%s\n", catalogue.Count(), catalogue.Count() == 1 ? "program" : "programs",
                options.list.c_str(), load.fileMissing ? " (no such file yet; tarnvale add creates it)" : "");
    if (!following)
        std::fprintf(stderr, "tarnvale-server: changes to %s are not served until a restart: %s\n",
                     options.list.c_str(), watchError.message.c_str());
    follower.SetObserver([&list = options.list, verbose = options.verbose](const ListFileChange& change) {
        LogChange(list, verbose, change);
    });
    follower.Start();

    {
        CCommandService service(catalogue);
        if (options.verbose) {
            service.SetLog(LogLine);
            service.SetStreamObserver(LogStream);
        }
        service.SetLocalPort(options.port);
        service.SetSessionLimit(options.sessions);
        service.SetAllowList(options.allow);
        platform::SystemError error;
        if (!service.Start(&error)) {
            std::fprintf(stderr,
                         "tarnvale-server: cannot receive on UDP port %u: %s.\nIs another server running? Stop it, "
                         "or choose another port with --port.\n",
                         options.port, error.message.c_str());
            return 1;
        }
        if (options.sessions > 1)
            std::printf("Serving up to %zu clients at once on UDP port %u. Press Ctrl+C to stop.\n", options.sessions,
                        service.BoundPort());
        else
            std::printf("Serving on UDP port %u. Press Ctrl+C to stop.\n", service.BoundPort());
        std::fflush(stdout);

        const std::string reason = stop.Wait();
        std::printf("Stopping (%s)...\n", reason.c_str());
        std::fflush(stdout);
        service.Stop();
    }
    stop.Done();
    return 0;
}
