// CServerApp: the application object. Starts the socket layer and the skin engine, runs the main window until
// the operator closes it, and tears everything down in order.
#pragma once

#include "app/WinApp.h"
#include "server/NetworkSides.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarnvale {

inline constexpr const char* kSocketInitFailedMessage = "Socket initializing failded!";
inline constexpr const char* kSkinProfileSection = "Settings";
inline constexpr const char* kSkinProfileKey = "Skin";
inline constexpr const char* kDefaultSkinRelativePath = "skins\\Tarnvale\\skin.ini";
// The HTTP side's port in the profile, beside the skin; absent, the side is off (so an upgrade opens no port).
inline constexpr const char* kHttpPortProfileKey = "HttpPort";
// The rest of the network sides' settings, beside it: as the headless server's options of the same names.
inline constexpr const char* kAllowProfileKey = "Allow";                 // --allow
inline constexpr const char* kPublicUrlProfileKey = "PublicUrl";         // --public-url
inline constexpr const char* kVerboseProfileKey = "Verbose";             // 1: --verbose
inline constexpr const char* kUpnpProfileKey = "Upnp";                   // 1: --upnp
inline constexpr const char* kUpnpNameProfileKey = "UpnpName";           // --name
inline constexpr const char* kUpnpInterfaceProfileKey = "UpnpInterface"; // --interface

// Options for running the program somewhere other than an operator's desktop (tests, a second copy). Without
// them the program keeps its fixed list file and command port.
//   --list-file PATH     keep the catalogue in PATH instead of C:\\Tarnvale.lst
//   --command-port N     listen on UDP port N instead of 10080 (0: any free port)
//   --port-file PATH     once the command port is open, write its number to PATH
//   --http N             serve the programs over HTTP on TCP port N (0: any free port), whatever the profile says
//   --http-port-file PATH  once the HTTP port is open, write its number to PATH
// and the headless server's network options (tarnvale-server --help), each over its profile setting: --allow NETS,
// --public-url URL, --verbose (a line per command, stream and request in the log file beside the list file),
// --sessions N, --upnp, --name TEXT, --interface NAME and --upnp-port N.
struct AppOptions {
    std::optional<std::string> listFile;
    std::optional<std::uint16_t> commandPort;
    std::optional<std::string> portFile;
    std::optional<std::uint16_t> httpPort;
    std::optional<std::string> httpPortFile;
    // The network options as given, in order (each value checked), for WindowNetworkSettings to take.
    std::vector<std::pair<std::string, std::string>> network;
};

inline constexpr const char* kUsage =
    "TarnvaleServer [--list-file PATH] [--command-port N] [--port-file PATH] [--http N] [--http-port-file PATH] "
    "[--allow NETS] [--public-url URL] [--verbose] [--sessions N] [--upnp] [--name TEXT] [--interface NAME] "
    "[--upnp-port N]";

// Reads the options, passing over arguments it does not know; false with error set for an option without its
// value or a port that is no port number.
bool ParseAppOptions(std::span<const std::string> arguments, AppOptions& options, std::string& error);

// The window's network settings: the options, and the profile's [Settings] (read through profile) for what the
// options leave out. A setting that does not read is left out, with a line in problems naming it and what it costs.
NetworkSettings WindowNetworkSettings(const AppOptions& options,
                                      const std::function<std::string(const char* key)>& profile,
                                      const std::string& profileName, std::vector<std::string>& problems);

class CServerApp : public CWinApp {
public:
    bool InitInstance() override;
};

} // namespace tarnvale
