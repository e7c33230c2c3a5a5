// Control requests: the envelope read, the action answered by the table of MediaServerActions, and the answer
// written; every refusal is a UPnP fault, so that a control point shows its user a reason.
#include "upnp/ControlRequest.h"

#include "upnp/MediaServerActions.h"
#include "upnp/SoapEnvelope.h"

namespace tarnvale {

namespace {

ControlReply Fault(int code, const std::string& text, std::string logLine) {
    return ControlReply{500, SoapFault(code, text), logLine + ": fault " + std::to_string(code) + " (" + text + ")"};
}

// "urn:...:service:ContentDirectory" of "urn:...:service:ContentDirectory:1": a control point that knows a later
// version of a service still calls the actions this one has.
std::string_view WithoutVersion(std::string_view type) {
    const std::size_t colon = type.rfind(':');
    return colon == std::string_view::npos ? type : type.substr(0, colon);
}

} // namespace

const ServiceRow* ServiceOfPath(std::string_view path, std::string_view prefix) {
    if (!path.starts_with(prefix))
        return nullptr;
    path.remove_prefix(prefix.size());
    for (const ServiceRow& service : MediaServerServices())
        if (path == service.name)
            return &service;
    return nullptr;
}

ControlReply AnswerControl(const ContentDirectory* directory, const ServiceRow& service, bool allowed,
                           std::optional<std::string_view> soapAction, std::string_view body,
                           const ClientQuirks& quirks) {
    if (!allowed)
        return Fault(kNotAuthorized, "Action not authorized: this address is not on the server's allow list",
                     "UPnP control");
    SoapCall call;
    std::string error;
    if (!ReadSoapCall(body, call, error))
        return Fault(kInvalidAction, "Invalid Action: " + error, "UPnP control");
    std::string line = "UPnP " + call.action;
    if (const std::string* object = ArgumentValue(call.arguments, "ObjectID"))
        line += " ObjectID=" + *object;
    else if (const std::string* container = ArgumentValue(call.arguments, "ContainerID"))
        line += " ContainerID=" + *container;
    // The header and the body must name the same action of this service: a request that says one thing and does
    // another is refused rather than guessed at.
    if (WithoutVersion(call.serviceType) != WithoutVersion(service.type))
        return Fault(kInvalidAction, "Invalid Action: the envelope names service " + call.serviceType, line);
    if (soapAction && !SoapActionName(*soapAction).empty() && SoapActionName(*soapAction) != call.action)
        return Fault(kInvalidAction, "Invalid Action: SOAPACTION names another action", line);
    if (!directory)
        return Fault(kActionFailed, "Action Failed: the server is stopping", line);
    if (quirks.featureList && call.action == "X_GetFeatureList" && service.name == std::string_view("ContentDirectory"))
        return ControlReply{200, SoapResponse(service.type, call.action, {{"FeatureList", FeatureList()}}), line};
    ActionAnswer answer = AnswerAction(*directory, service.id, call.action,
                                       NormalisedArguments(quirks, call.action, std::move(call.arguments)));
    if (answer.fault)
        return Fault(answer.fault, answer.faultText, line);
    AdaptAnswer(quirks, answer.out);
    return ControlReply{200, SoapResponse(service.type, call.action, answer.out), line};
}

} // namespace tarnvale
