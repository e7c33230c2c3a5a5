// The application object's start-up and shutdown.
#include "app/ServerApp.h"

#include "app/MainDlg.h"

#include "core/ParseInteger.h"
#include "platform/Socket.h"
#include "server/NetworkOptions.h"
#include "skin/win/SkinManager.h"

#include <algorithm>
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

// One row per option of the window's own: its name and what its value does (an error for a value that is wrong).
struct AppOptionRow {
    const char* name;
    std::function<std::string(const std::string& value, AppOptions& options)> apply;
};

std::string ReadPort(const std::string& value, const char* what, std::optional<std::uint16_t>& port) {
    port = ParseInteger<std::uint16_t>(value, 0, 65535);
    return port ? std::string() : std::string(what) + " must be a number from 0 to 65535, not \"" + value + "\".";
}

const std::vector<AppOptionRow>& AppOptionRows() {
    static const std::vector<AppOptionRow> rows = {
        {"--list-file", [](const std::string& v, AppOptions& o) { return o.listFile = v, std::string(); }},
        {"--port-file", [](const std::string& v, AppOptions& o) { return o.portFile = v, std::string(); }},
        {"--http-port-file", [](const std::string& v, AppOptions& o) { return o.httpPortFile = v, std::string(); }},
        {"--command-port",
         [](const std::string& v, AppOptions& o) { return ReadPort(v, "The command port", o.commandPort); }},
        {"--http", [](const std::string& v, AppOptions& o) { return ReadPort(v, "The HTTP port", o.httpPort); }},
    };
    return rows;
}

// The headless server's rows for the rest, but for the two ports the window names its own way.
std::optional<OptionRow> NetworkRow(const std::string& name, NetworkSettings& into) {
    if (name == "--port" || name == "--http")
        return std::nullopt;
    // Taken even where the build has no UPnP side: the window starts, says so once and greys its menu item.
    if (name == "--upnp")
        return SwitchOption(name, {}, into.upnp);
    for (OptionRow& row : NetworkOptionRows(into))
        if (row.name == name || (!row.alias.empty() && row.alias == name))
            return std::move(row);
    return std::nullopt;
}

} // namespace

bool ParseAppOptions(std::span<const std::string> arguments, AppOptions& options, std::string& error) {
    // The network options are checked here and taken later, over the profile's settings.
    NetworkSettings checked;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const auto& rows = AppOptionRows();
        const auto own = std::find_if(rows.begin(), rows.end(), [&](const AppOptionRow& r) { return name == r.name; });
        const std::optional<OptionRow> network = own == rows.end() ? NetworkRow(name, checked) : std::nullopt;
        // A shortcut, a file association or "Open with" may pass anything (a file name, say): it must not stop
        // the program.
        if (own == rows.end() && !network)
            continue;
        const bool takesValue = own != rows.end() || !network->value.empty();
        if (takesValue && i + 1 >= arguments.size()) {
            error = "The option " + name + " needs a value.";
            return false;
        }
        const std::string value = takesValue ? arguments[++i] : std::string();
        if (own != rows.end()) {
            error = own->apply(value, options);
        } else {
            error = network->take(value);
            options.network.emplace_back(name, value);
        }
        if (!error.empty())
            return false;
    }
    return true;
}

NetworkSettings WindowNetworkSettings(const AppOptions& options,
                                      const std::function<std::string(const char* key)>& profile,
                                      const std::string& profileName, std::vector<std::string>& problems) {
    NetworkSettings settings;
    // Each setting is off when absent, so that an upgrade opens no port; a value that does not read is said, and
    // the window works on without it.
    auto bad = [&](const char* key, const std::string& value, const std::string& want, const std::string& cost) {
        problems.push_back("The " + std::string(key) + " setting in " + profileName + " must be " + want + ", not \"" +
                           value + "\".\n\n" + cost);
    };
    if (const std::string value = profile(kHttpPortProfileKey); !options.httpPort && !value.empty()) {
        settings.http = ParseInteger<std::uint16_t>(value, 0, 65535);
        if (!settings.http)
            bad(kHttpPortProfileKey, value, "a port number from 0 to 65535",
                "The programs are not served over HTTP in this run.");
    }
    if (const std::string value = profile(kAllowProfileKey); !value.empty()) {
        std::string error;
        if (std::optional<AllowList> allow = AllowList::Parse(value, &error)) {
            settings.allow = std::move(*allow);
        } else {
            // Serving everyone when the operator meant to keep the server to a few would be worse than not serving.
            settings.allow = *AllowList::Parse("0.0.0.0/32");
            bad(kAllowProfileKey, value, "addresses or networks such as 192.168.1.0/24,10.0.0.5 (" + error + ")",
                "No client, player or TV is served in this run.");
        }
    }
    if (const std::string value = profile(kPublicUrlProfileKey); !value.empty()) {
        std::string error;
        settings.publicUrl = ParsePublicUrl(value, &error);
        if (!settings.publicUrl)
            bad(kPublicUrlProfileKey, value, "an address such as http://front.lan:8080 (" + error + ")",
                "Players are told the address each request came in on.");
    }
    auto on = [&](const char* key) {
        const std::string value = profile(key);
        if (value.empty() || value == "0")
            return false;
        if (value == "1")
            return true;
        bad(key, value, "1 (on) or 0 (off)", "It is off in this run.");
        return false;
    };
    settings.verbose = on(kVerboseProfileKey);
    settings.upnp = on(kUpnpProfileKey);
    settings.name = profile(kUpnpNameProfileKey);
    settings.interfaceName = profile(kUpnpInterfaceProfileKey);
    // The command line wins: its options were checked as they were read.
    if (options.commandPort)
        settings.port = *options.commandPort;
    if (options.httpPort)
        settings.http = options.httpPort;
    for (const auto& [name, value] : options.network)
        if (std::optional<OptionRow> row = NetworkRow(name, settings))
            row->take(value);
    return settings;
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
    std::vector<std::string> problems;
    NetworkSettings network = WindowNetworkSettings(
        options, [this](const char* key) { return GetProfileString(kSkinProfileSection, key, ""); }, ProfileFileName(),
        problems);
    for (const std::string& problem : problems)
        ShowMessage(nullptr, problem);
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
        window.SetNetworkSettings(std::move(network));
        if (options.portFile)
            window.SetCommandPortOpened([path = *options.portFile](std::uint16_t port) { WritePortFile(path, port); });
        if (options.httpPortFile)
            window.SetHttpPortOpened([path = *options.httpPortFile](std::uint16_t port) { WritePortFile(path, port); });
        window.DoModal();
    }
    // The window object is gone (its network threads joined); the skin manager and the socket layer end next.
    return false;
}

} // namespace tarnvale
