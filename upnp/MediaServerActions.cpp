// One table from service and action to handler; the arguments are checked against the service's description first,
// so a handler may take its in-arguments as present.
#include "upnp/MediaServerActions.h"

#include "core/MediaType.h"
#include "core/ParseInteger.h"
#include "http/DlnaFeatures.h"
#include "upnp/ContentDirectory.h"
#include "upnp/DeviceDocuments.h"

#include <algorithm>
#include <optional>

namespace tarnvale {

namespace {

using Handler = ActionAnswer (*)(const ContentDirectory& directory, const ActionArguments& in);

struct HandlerRow {
    const char* service; // ServiceRow::name
    const char* action;
    Handler handler;
};

ActionAnswer Fault(int code, std::string text) {
    return ActionAnswer{code, std::move(text), {}};
}

ActionAnswer Answer(ActionArguments out) {
    return ActionAnswer{0, {}, std::move(out)};
}

const std::string& In(const ActionArguments& in, std::string_view name) {
    return *ArgumentValue(in, name);
}

std::optional<std::uint32_t> Unsigned(const std::string& text) {
    // ui4: digits only, no sign.
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return ParseInteger<std::uint32_t>(text);
}

ActionAnswer PageAnswer(const DirectoryPage& page) {
    return Answer({{"Result", page.didl},
                   {"NumberReturned", std::to_string(page.returned)},
                   {"TotalMatches", std::to_string(page.total)},
                   {"UpdateID", std::to_string(page.updateId)}});
}

// StartingIndex and RequestedCount, or the fault they earn.
std::optional<ActionAnswer> ReadWindow(const ActionArguments& in, std::uint32_t& start, std::uint32_t& count) {
    const auto first = Unsigned(In(in, "StartingIndex"));
    const auto wanted = Unsigned(In(in, "RequestedCount"));
    if (!first || !wanted)
        return Fault(kInvalidArgs, "Invalid Args: StartingIndex and RequestedCount are whole numbers");
    start = *first;
    count = *wanted;
    return std::nullopt;
}

ActionAnswer Browse(const ContentDirectory& directory, const ActionArguments& in) {
    BrowseRequest request;
    request.objectId = In(in, "ObjectID");
    const std::string& flag = In(in, "BrowseFlag");
    if (flag != "BrowseMetadata" && flag != "BrowseDirectChildren")
        return Fault(kInvalidArgs, "Invalid Args: BrowseFlag is BrowseMetadata or BrowseDirectChildren");
    request.children = flag == "BrowseDirectChildren";
    if (auto fault = ReadWindow(in, request.start, request.count))
        return *fault;
    const std::optional<DirectoryPage> page = directory.Browse(request);
    if (!page)
        return Fault(kNoSuchObject, "No such object");
    return PageAnswer(*page);
}

// The container a search by class amounts to: "*" (everything, the one criterion every server must take) is the
// container searched; a search for audio or video items (how some players list music, whatever capabilities we
// claim: '(upnp:class derivedfrom "object.item.audioItem" and @refID exists false)') is the container of that kind.
std::optional<std::string> SearchScope(std::string_view criteria, const std::string& container) {
    if (criteria == "*")
        return container;
    if (criteria.find("upnp:class") == std::string_view::npos)
        return std::nullopt;
    if (criteria.find("\"object.item.audioItem") != std::string_view::npos)
        return std::string("music");
    if (criteria.find("\"object.item.videoItem") != std::string_view::npos)
        return std::string("video");
    if (criteria.find("\"object.item\"") != std::string_view::npos)
        return container;
    return std::nullopt;
}

ActionAnswer Search(const ContentDirectory& directory, const ActionArguments& in) {
    const std::optional<std::string> scope = SearchScope(In(in, "SearchCriteria"), In(in, "ContainerID"));
    if (!scope)
        return Fault(kBadSearchCriteria, "Unsupported or invalid search criteria");
    std::uint32_t start = 0, count = 0;
    if (auto fault = ReadWindow(in, start, count))
        return *fault;
    const std::optional<DirectoryPage> page = directory.ListAll(*scope, start, count);
    if (!page)
        return Fault(kNoSuchObject, "No such container");
    return PageAnswer(*page);
}

constexpr HandlerRow kHandlers[] = {
    {"ContentDirectory", "GetSearchCapabilities",
     [](const ContentDirectory&, const ActionArguments&) {
         return Answer({{"SearchCaps", ""}});
     }},
    {"ContentDirectory", "GetSortCapabilities",
     [](const ContentDirectory&, const ActionArguments&) {
         return Answer({{"SortCaps", ""}});
     }},
    {"ContentDirectory", "GetSystemUpdateID",
     [](const ContentDirectory& directory, const ActionArguments&) {
         return Answer({{"Id", std::to_string(directory.UpdateId())}});
     }},
    {"ContentDirectory", "Browse", Browse},
    {"ContentDirectory", "Search", Search},
    {"ConnectionManager", "GetProtocolInfo",
     [](const ContentDirectory&, const ActionArguments&) {
         return Answer({{"Source", SourceProtocolInfo()}, {"Sink", ""}});
     }},
    {"ConnectionManager", "GetCurrentConnectionIDs",
     [](const ContentDirectory&, const ActionArguments&) {
         return Answer({{"ConnectionIDs", "0"}});
     }},
    {"ConnectionManager", "GetCurrentConnectionInfo",
     [](const ContentDirectory&, const ActionArguments& in) {
         if (In(in, "ConnectionID") != "0")
             return Fault(kInvalidConnection, "Invalid connection reference");
         return Answer({{"RcsID", "-1"},
                        {"AVTransportID", "-1"},
                        {"ProtocolInfo", ""},
                        {"PeerConnectionManager", ""},
                        {"PeerConnectionID", "-1"},
                        {"Direction", "Output"},
                        {"Status", "OK"}});
     }},
    // Every device may play: the registrar only has to say so.
    {"X_MS_MediaReceiverRegistrar", "IsAuthorized",
     [](const ContentDirectory&, const ActionArguments&) {
         return Answer({{"Result", "1"}});
     }},
    {"X_MS_MediaReceiverRegistrar", "IsValidated",
     [](const ContentDirectory&, const ActionArguments&) {
         return Answer({{"Result", "1"}});
     }},
    {"X_MS_MediaReceiverRegistrar", "RegisterDevice",
     [](const ContentDirectory&, const ActionArguments&) {
         return Answer({{"RegistrationRespMsg", ""}});
     }},
};

} // namespace

const std::string* ArgumentValue(const ActionArguments& arguments, std::string_view name) {
    const auto found =
        std::find_if(arguments.begin(), arguments.end(), [&](const auto& argument) { return argument.first == name; });
    return found == arguments.end() ? nullptr : &found->second;
}

ActionAnswer AnswerAction(const ContentDirectory& directory, std::string_view serviceId, std::string_view action,
                          const ActionArguments& in) {
    const ServiceRow* service = FindService(serviceId);
    const ActionRow* described = service ? FindAction(*service, action) : nullptr;
    const auto handler = std::find_if(std::begin(kHandlers), std::end(kHandlers), [&](const HandlerRow& row) {
        return service && action == row.action && std::string_view(service->name) == row.service;
    });
    if (!described || handler == std::end(kHandlers))
        return Fault(kInvalidAction, "Invalid Action");
    for (const ArgumentRow& argument : described->arguments) {
        if (!argument.out && !ArgumentValue(in, argument.name))
            return Fault(kInvalidArgs, std::string("Invalid Args: ") + argument.name + " is missing");
    }
    return handler->handler(directory, in);
}

ActionArguments EventedValues(const ContentDirectory& directory, std::string_view serviceId) {
    const ServiceRow* service = FindService(serviceId);
    if (!service)
        return {};
    ActionArguments values;
    for (const VariableRow& variable : service->variables) {
        if (!variable.evented)
            continue;
        const std::string_view name = variable.name;
        std::string value = "0";
        if (name == "SystemUpdateID")
            value = std::to_string(directory.UpdateId());
        else if (name == "SourceProtocolInfo")
            value = SourceProtocolInfo();
        else if (name == "SinkProtocolInfo")
            value.clear();
        values.emplace_back(variable.name, std::move(value));
    }
    return values;
}

std::string SourceProtocolInfo() {
    struct Served {
        std::int32_t type;
        const char* profile;
    };
    static constexpr Served kServed[] = {
        {MEDIA_MPEG1, "MPEG1"}, {MEDIA_MPEG2, "MPEG_PS_PAL"}, {MEDIA_MPEG2, "MPEG_PS_NTSC"},
        {MEDIA_MPEG2, nullptr}, {MEDIA_AVI, nullptr},         {MEDIA_MP3, "MP3"},
    };
    std::string list;
    for (const Served& served : kServed) {
        if (!list.empty())
            list += ',';
        list += DlnaProtocolInfo(served.type, served.profile);
    }
    return list;
}

} // namespace tarnvale
