// CServerApp: the application object. Starts the socket layer and the skin engine, runs the main window until
// the operator closes it, and tears everything down in order.
#pragma once

#include "app/WinApp.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarnvale {

inline constexpr const char* kSocketInitFailedMessage = "Socket initializing failded!";
inline constexpr const char* kSkinProfileSection = "Settings";
inline constexpr const char* kSkinProfileKey = "Skin";
inline constexpr const char* kDefaultSkinRelativePath = "skins\\Tarnvale\\skin.ini";
// The HTTP side's port in the profile, beside the skin; absent, the side is off (so an upgrade opens no port).
inline constexpr const char* kHttpPortProfileKey = "HttpPort";

// Options for running the program somewhere other than an operator's desktop (tests, a second copy). Without
// them the program keeps its fixed list file and command port.
//   --list-file PATH     keep the catalogue in PATH instead of C:\\Tarnvale.lst
//   --command-port N     listen on UDP port N instead of 10080 (0: any free port)
//   --port-file PATH     once the command port is open, write its number to PATH
//   --http N             serve the programs over HTTP on TCP port N (0: any free port), whatever the profile says
//   --http-port-file PATH  once the HTTP port is open, write its number to PATH
struct AppOptions {
    std::optional<std::string> listFile;
    std::optional<std::uint16_t> commandPort;
    std::optional<std::string> portFile;
    std::optional<std::uint16_t> httpPort;
    std::optional<std::string> httpPortFile;
};

inline constexpr const char* kUsage = "TarnvaleServer [--list-file PATH] [--command-port N] [--port-file PATH] "
                                      "[--http N] [--http-port-file PATH]";

// Reads the options, passing over arguments it does not know; false with error set for an option without its
// value or a port that is no port number.
bool ParseAppOptions(std::span<const std::string> arguments, AppOptions& options, std::string& error);

class CServerApp : public CWinApp {
public:
    bool InitInstance() override;
};

} // namespace tarnvale
