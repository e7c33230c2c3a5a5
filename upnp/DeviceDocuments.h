// The documents a control point reads before it calls us: the device description and one service description per
// service, written from one table of the services, their actions and their state variables.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tarnvale {

struct ArgumentRow {
    const char* name;
    bool out;
    const char* variable; // the related state variable
};

struct ActionRow {
    const char* name;
    std::span<const ArgumentRow> arguments;
};

struct VariableRow {
    const char* name;
    const char* type;
    bool evented;
    std::span<const char* const> allowed; // none: any value of the type
};

struct ServiceRow {
    const char* type;
    const char* id;
    // The short name in the service's paths: /upnp/NAME.xml, /upnp/control/NAME, /upnp/event/NAME.
    const char* name;
    std::span<const ActionRow> actions;
    std::span<const VariableRow> variables;
};

inline constexpr const char* kMediaServerType = "urn:schemas-upnp-org:device:MediaServer:1";

// ContentDirectory, ConnectionManager and the media receiver registrar, in the order the description lists them.
std::span<const ServiceRow> MediaServerServices();

// The service with this id, or nullptr.
const ServiceRow* FindService(std::string_view id);
// The action of service with this name, or nullptr.
const ActionRow* FindAction(const ServiceRow& service, std::string_view name);

// Where the description's parts are.
struct DeviceSite {
    std::string friendlyName;
    std::string udn; // "uuid:..."
    // The origin ("http://HOST:PORT") of the documents, and the page people are sent to.
    std::string documentOrigin;
    // The origin of control and events (the HTTP side, or a port of their own).
    std::string controlOrigin;
};

inline constexpr std::string_view kDescriptionPath = "/upnp/description.xml";

std::string DeviceDescription(const DeviceSite& site);
std::string ServiceDescription(const ServiceRow& service);
// "/upnp/NAME.xml".
std::string ServiceDescriptionPath(const ServiceRow& service);

} // namespace tarnvale
