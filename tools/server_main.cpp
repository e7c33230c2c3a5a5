// tarnvale-server: the headless command server. Loads the list file, answers clients on the command port and
// streams their programs until the operator stops it, then saves the list file.
#include "core/ListFile.h"
#include "core/MediaType.h"
#include "core/ParseInteger.h"
#include "net/AllowList.h"
#include "net/CommandService.h"
#include "net/HostAddress.h"
#include "platform/Console.h"
#include "platform/File.h"
#include "platform/Socket.h"
#include "tools/DefaultListFile.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

constexpr const char* kUsage = R"(Usage: tarnvale-server [--port N] [--list FILE] [--verbose]

Serves the programs of a list file to clients on the local network: commands arrive as UDP datagrams on the
command port, and the chosen program is sent back over TCP. Stop it with Ctrl+C; the list file is saved then.

  --port N      UDP command port (default 10080)
  --list FILE   the list file (default: %s)
  --verbose     one line on stderr per command received and per stream started or ended
  --sessions N  serve up to N clients at once, each with its own program (default 1: whoever
                connected last gets the replies and the stream)
  --allow NETS  answer and connect to only these addresses: IPv4 addresses or networks,
                comma-separated, such as 192.168.1.0/24,10.0.0.5 (default: every address)
  --help        this text
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
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--port" && hasValue) {
            const std::optional<std::uint16_t> port = ParseInteger<std::uint16_t>(argv[++i], 1, 65535);
            if (!port) {
                std::fprintf(stderr, "tarnvale-server: --port wants a number from 1 to 65535, not \"%s\"\n", argv[i]);
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

bool Save(const std::string& path, const CMediaInfoList& catalogue) {
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);
    platform::SystemError error;
    if (SaveListFile(path, catalogue, &error))
        return true;
    std::fprintf(stderr, "tarnvale-server: the list file was not saved: %s\n", error.message.c_str());
    return false;
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

    CMediaInfoList catalogue;
    ListFileLoad load;
    if (!LoadListFile(options.list, catalogue, &load)) {
        std::fprintf(stderr,
                     "tarnvale-server: cannot read the list file %s: %s.\nNothing was changed; repair or move the "
                     "file, or name another with --list.\n",
                     options.list.c_str(), load.error.c_str());
        return 1;
    }
    if (load.recordsSkipped)
        std::fprintf(stderr, "tarnvale-server: %zu records of %s have paths longer than 255 bytes and are left out\n",
                     load.recordsSkipped, options.list.c_str());
    std::printf("%zu programs from %s%s\n", catalogue.Count(), options.list.c_str(),
                load.fileMissing ? " (no such file yet; it is created when the server stops)" : "");

    // The catalogue tool may edit the list file while the server runs; what it wrote is kept.
    std::vector<std::uint8_t> loadedBytes;
    platform::ReadWholeFile(options.list, loadedBytes);

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
    std::vector<std::uint8_t> bytesNow;
    platform::ReadWholeFile(options.list, bytesNow);
    if (bytesNow != loadedBytes) {
        std::printf("%s changed while the server ran; it is left as it is\n", options.list.c_str());
        stop.Done();
        return 0;
    }
    const bool saved = Save(options.list, catalogue);
    if (saved)
        std::printf("Saved %zu programs to %s\n", catalogue.Count(), options.list.c_str());
    stop.Done();
    return saved ? 0 : 1;
}
