// The service table and the documents written from it. The action dispatch checks its arguments against the same
// rows, so what the documents promise and what is answered cannot drift apart.
#include "upnp/DeviceDocuments.h"

#include "http/TextEscapes.h"

#include <algorithm>

namespace tarnvale {

namespace {

// ContentDirectory.
constexpr ArgumentRow kSearchCapsArgs[] = {{"SearchCaps", true, "SearchCapabilities"}};
constexpr ArgumentRow kSortCapsArgs[] = {{"SortCaps", true, "SortCapabilities"}};
constexpr ArgumentRow kSystemUpdateIdArgs[] = {{"Id", true, "SystemUpdateID"}};
constexpr ArgumentRow kBrowseArgs[] = {
    {"ObjectID", false, "A_ARG_TYPE_ObjectID"},    {"BrowseFlag", false, "A_ARG_TYPE_BrowseFlag"},
    {"Filter", false, "A_ARG_TYPE_Filter"},        {"StartingIndex", false, "A_ARG_TYPE_Index"},
    {"RequestedCount", false, "A_ARG_TYPE_Count"}, {"SortCriteria", false, "A_ARG_TYPE_SortCriteria"},
    {"Result", true, "A_ARG_TYPE_Result"},         {"NumberReturned", true, "A_ARG_TYPE_Count"},
    {"TotalMatches", true, "A_ARG_TYPE_Count"},    {"UpdateID", true, "A_ARG_TYPE_UpdateID"},
};
constexpr ArgumentRow kSearchArgs[] = {
    {"ContainerID", false, "A_ARG_TYPE_ObjectID"}, {"SearchCriteria", false, "A_ARG_TYPE_SearchCriteria"},
    {"Filter", false, "A_ARG_TYPE_Filter"},        {"StartingIndex", false, "A_ARG_TYPE_Index"},
    {"RequestedCount", false, "A_ARG_TYPE_Count"}, {"SortCriteria", false, "A_ARG_TYPE_SortCriteria"},
    {"Result", true, "A_ARG_TYPE_Result"},         {"NumberReturned", true, "A_ARG_TYPE_Count"},
    {"TotalMatches", true, "A_ARG_TYPE_Count"},    {"UpdateID", true, "A_ARG_TYPE_UpdateID"},
};
constexpr ActionRow kDirectoryActions[] = {
    {"GetSearchCapabilities", kSearchCapsArgs},
    {"GetSortCapabilities", kSortCapsArgs},
    {"GetSystemUpdateID", kSystemUpdateIdArgs},
    {"Browse", kBrowseArgs},
    {"Search", kSearchArgs},
};
constexpr const char* kBrowseFlags[] = {"BrowseMetadata", "BrowseDirectChildren"};
constexpr VariableRow kDirectoryVariables[] = {
    {"SearchCapabilities", "string", false, {}},
    {"SortCapabilities", "string", false, {}},
    {"SystemUpdateID", "ui4", true, {}},
    {"A_ARG_TYPE_ObjectID", "string", false, {}},
    {"A_ARG_TYPE_Result", "string", false, {}},
    {"A_ARG_TYPE_SearchCriteria", "string", false, {}},
    {"A_ARG_TYPE_BrowseFlag", "string", false, kBrowseFlags},
    {"A_ARG_TYPE_Filter", "string", false, {}},
    {"A_ARG_TYPE_SortCriteria", "string", false, {}},
    {"A_ARG_TYPE_Index", "ui4", false, {}},
    {"A_ARG_TYPE_Count", "ui4", false, {}},
    {"A_ARG_TYPE_UpdateID", "ui4", false, {}},
};

// ConnectionManager.
constexpr ArgumentRow kProtocolInfoArgs[] = {{"Source", true, "SourceProtocolInfo"},
                                             {"Sink", true, "SinkProtocolInfo"}};
constexpr ArgumentRow kConnectionIdsArgs[] = {{"ConnectionIDs", true, "CurrentConnectionIDs"}};
constexpr ArgumentRow kConnectionInfoArgs[] = {
    {"ConnectionID", false, "A_ARG_TYPE_ConnectionID"},
    {"RcsID", true, "A_ARG_TYPE_RcsID"},
    {"AVTransportID", true, "A_ARG_TYPE_AVTransportID"},
    {"ProtocolInfo", true, "A_ARG_TYPE_ProtocolInfo"},
    {"PeerConnectionManager", true, "A_ARG_TYPE_ConnectionManager"},
    {"PeerConnectionID", true, "A_ARG_TYPE_ConnectionID"},
    {"Direction", true, "A_ARG_TYPE_Direction"},
    {"Status", true, "A_ARG_TYPE_ConnectionStatus"},
};
constexpr ActionRow kConnectionActions[] = {
    {"GetProtocolInfo", kProtocolInfoArgs},
    {"GetCurrentConnectionIDs", kConnectionIdsArgs},
    {"GetCurrentConnectionInfo", kConnectionInfoArgs},
};
constexpr const char* kStatuses[] = {"OK", "ContentFormatMismatch", "InsufficientBandwidth", "UnreliableChannel",
                                     "Unknown"};
constexpr const char* kDirections[] = {"Input", "Output"};
constexpr VariableRow kConnectionVariables[] = {
    {"SourceProtocolInfo", "string", true, {}},
    {"SinkProtocolInfo", "string", true, {}},
    {"CurrentConnectionIDs", "string", true, {}},
    {"A_ARG_TYPE_ConnectionStatus", "string", false, kStatuses},
    {"A_ARG_TYPE_ConnectionManager", "string", false, {}},
    {"A_ARG_TYPE_Direction", "string", false, kDirections},
    {"A_ARG_TYPE_ProtocolInfo", "string", false, {}},
    {"A_ARG_TYPE_ConnectionID", "i4", false, {}},
    {"A_ARG_TYPE_AVTransportID", "i4", false, {}},
    {"A_ARG_TYPE_RcsID", "i4", false, {}},
};

// The media receiver registrar, which some TVs and consoles ask before they browse.
constexpr ArgumentRow kAuthorizedArgs[] = {{"DeviceID", false, "A_ARG_TYPE_DeviceID"},
                                           {"Result", true, "A_ARG_TYPE_Result"}};
constexpr ArgumentRow kRegisterArgs[] = {{"RegistrationReqMsg", false, "A_ARG_TYPE_RegistrationReqMsg"},
                                         {"RegistrationRespMsg", true, "A_ARG_TYPE_RegistrationRespMsg"}};
constexpr ActionRow kRegistrarActions[] = {
    {"IsAuthorized", kAuthorizedArgs},
    {"RegisterDevice", kRegisterArgs},
    {"IsValidated", kAuthorizedArgs},
};
constexpr VariableRow kRegistrarVariables[] = {
    {"A_ARG_TYPE_DeviceID", "string", false, {}},
    {"A_ARG_TYPE_Result", "int", false, {}},
    {"A_ARG_TYPE_RegistrationReqMsg", "bin.base64", false, {}},
    {"A_ARG_TYPE_RegistrationRespMsg", "bin.base64", false, {}},
    {"AuthorizationGrantedUpdateID", "ui4", true, {}},
    {"AuthorizationDeniedUpdateID", "ui4", true, {}},
    {"ValidationSucceededUpdateID", "ui4", true, {}},
    {"ValidationRevokedUpdateID", "ui4", true, {}},
};

constexpr ServiceRow kServices[] = {
    {"urn:schemas-upnp-org:service:ContentDirectory:1", "urn:upnp-org:serviceId:ContentDirectory", "ContentDirectory",
     kDirectoryActions, kDirectoryVariables},
    {"urn:schemas-upnp-org:service:ConnectionManager:1", "urn:upnp-org:serviceId:ConnectionManager",
     "ConnectionManager", kConnectionActions, kConnectionVariables},
    {"urn:microsoft.com:service:X_MS_MediaReceiverRegistrar:1",
     "urn:microsoft.com:serviceId:X_MS_MediaReceiverRegistrar", "X_MS_MediaReceiverRegistrar", kRegistrarActions,
     kRegistrarVariables},
};

std::string Element(std::string_view name, std::string_view text) {
    return "<" + std::string(name) + ">" + XmlEscaped(text) + "</" + std::string(name) + ">";
}

} // namespace

std::span<const ServiceRow> MediaServerServices() {
    return kServices;
}

const ServiceRow* FindService(std::string_view id) {
    const auto found =
        std::find_if(std::begin(kServices), std::end(kServices), [&](const ServiceRow& row) { return id == row.id; });
    return found == std::end(kServices) ? nullptr : found;
}

const ActionRow* FindAction(const ServiceRow& service, std::string_view name) {
    const auto found = std::find_if(service.actions.begin(), service.actions.end(),
                                    [&](const ActionRow& row) { return name == row.name; });
    return found == service.actions.end() ? nullptr : &*found;
}

std::string ServiceDescriptionPath(const ServiceRow& service) {
    return std::string("/upnp/") + service.name + ".xml";
}

std::string DeviceDescription(const DeviceSite& site) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<root xmlns=\"urn:schemas-upnp-org:device-1-0\" xmlns:dlna=\"urn:schemas-dlna-org:device-1-0\">"
                      "<specVersion><major>1</major><minor>0</minor></specVersion><device>";
    xml += Element("deviceType", kMediaServerType);
    xml += "<dlna:X_DLNADOC>DMS-1.50</dlna:X_DLNADOC>";
    xml += Element("friendlyName", site.friendlyName);
    xml += Element("manufacturer", "Tarnvale");
    xml += Element("modelDescription", "Tarnvale video-on-demand server");
    xml += Element("modelName", "Tarnvale");
    xml += Element("modelNumber", "1");
    xml += Element("UDN", site.udn);
    xml += Element("presentationURL", site.documentOrigin + "/");
    xml += "<serviceList>";
    for (const ServiceRow& service : kServices) {
        const std::string name = service.name;
        xml += "<service>" + Element("serviceType", service.type) + Element("serviceId", service.id) +
               Element("SCPDURL", site.documentOrigin + ServiceDescriptionPath(service)) +
               Element("controlURL", site.controlOrigin + "/upnp/control/" + name) +
               Element("eventSubURL", site.controlOrigin + "/upnp/event/" + name) + "</service>";
    }
    return xml + "</serviceList></device></root>\n";
}

std::string ServiceDescription(const ServiceRow& service) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<scpd xmlns=\"urn:schemas-upnp-org:service-1-0\">"
                      "<specVersion><major>1</major><minor>0</minor></specVersion><actionList>";
    for (const ActionRow& action : service.actions) {
        xml += "<action>" + Element("name", action.name) + "<argumentList>";
        for (const ArgumentRow& argument : action.arguments)
            xml += "<argument>" + Element("name", argument.name) + Element("direction", argument.out ? "out" : "in") +
                   Element("relatedStateVariable", argument.variable) + "</argument>";
        xml += "</argumentList></action>";
    }
    xml += "</actionList><serviceStateTable>";
    for (const VariableRow& variable : service.variables) {
        xml += std::string("<stateVariable sendEvents=\"") + (variable.evented ? "yes" : "no") + "\">" +
               Element("name", variable.name) + Element("dataType", variable.type);
        if (!variable.allowed.empty()) {
            xml += "<allowedValueList>";
            for (const char* value : variable.allowed)
                xml += Element("allowedValue", value);
            xml += "</allowedValueList>";
        }
        xml += "</stateVariable>";
    }
    return xml + "</serviceStateTable></scpd>\n";
}

} // namespace tarnvale
