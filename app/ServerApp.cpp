// The application object's start-up and shutdown.
#include "app/ServerApp.h"

#include "app/MainDlg.h"

#include "core/ParseInteger.h"
#include "platform/Socket.h"
#include "skin/win/SkinManager.h"

#include <cstdlib>
#include <fstream>
#include <vector>

namespace tarnvale {
namespace {

std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i)
        arguments.emplace_back(__argv[i]);
    return arguments;
}

void WritePortFile(const std::string& path, std::uint16_t port) {
    std::ofstream(path, std::ios::trunc) << port << '\n';
}

} // namespace

bool ParseAppOptions(std::span<const std::string> arguments, AppOptions& options, std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        // A shortcut, a file association or "Open with" may pass anything (a file name, say): it must not stop
        // the program.
        if (name != "--list-file" && name != "--command-port" && name != "--port-file" && name != "--http" &&
            name != "--http-port-file")
            continue;
        if (i + 1 >= arguments.size()) {
            error = "The option " + name + " needs a value.";
            return false;
        }
        const std::string& value = arguments[++i];
        if (name == "--list-file") {
            options.listFile = value;
        } else if (name == "--port-file") {
            options.portFile = value;
        } else if (name == "--http-port-file") {
            options.httpPortFile = value;
        } else {
            const bool http = name == "--http";
            std::optional<std::uint16_t>& port = http ? options.httpPort : options.commandPort;
            port = ParseInteger<std::uint16_t>(value, 0, 65535);
            if (!port) {
                error = std::string(http ? "The HTTP port" : "The command port") +
                        " must be a number from 0 to 65535, not \"" + value + "\".";
                return false;
            }
        }
    }
    return true;
}

bool CServerApp::InitInstance() {
    AppOptions options;
    std::string error;
    const std::vector<std::string> arguments = CommandLineArguments();
    if (!ParseAppOptions(arguments, options, error)) {
        ShowMessage(nullptr, error + "\n\nUsage: " + kUsage);
        return false;
    }
    SocketLibrary sockets;
    if (!sockets.Ready()) {
        ShowMessage(nullptr, kSocketInitFailedMessage, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (!options.httpPort) {
        // Off when absent; a value that is no port is said once, and the window works on without HTTP.
        const std::string setting = GetProfileString(kSkinProfileSection, kHttpPortProfileKey, "");
        if (!setting.empty()) {
            options.httpPort = ParseInteger<std::uint16_t>(setting, 0, 65535);
            if (!options.httpPort)
                ShowMessage(nullptr, "The HttpPort setting in " + ProfileFileName() +
                                         " must be a port number from 0 to 65535, not \"" + setting +
                                         "\".\n\nThe programs are not served over HTTP in this run.");
        }
    }
    const std::string defaultSkin = AppDirectory() + kDefaultSkinRelativePath;
    const std::string skinPath = GetProfileString(kSkinProfileSection, kSkinProfileKey, defaultSkin.c_str());
    // Started before the main window exists, so that its hook sees every window of this thread from creation
    // on. Without a readable skin the program runs with the standard look.
    SkinManager skins;
    skins.Start(skinPath.c_str());
    {
        CMainDlg window(nullptr);
        if (options.listFile)
            window.SetListFilePath(*options.listFile);
        if (options.commandPort)
            window.SetCommandPort(*options.commandPort);
        if (options.portFile)
            window.SetCommandPortOpened([path = *options.portFile](std::uint16_t port) { WritePortFile(path, port); });
        window.SetHttpPort(options.httpPort);
        if (options.httpPortFile)
            window.SetHttpPortOpened([path = *options.httpPortFile](std::uint16_t port) { WritePortFile(path, port); });
        window.DoModal();
    }
    // The window object is gone (its network threads joined); the skin manager and the socket layer end next.
    return false;
}

} // namespace tarnvale
