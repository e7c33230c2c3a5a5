// A control request as the HTTP side hands it over: the service its URL names, the SOAP body and who sent it, in;
// the status and envelope to answer with, out. No network here.
#pragma once

#include "upnp/ClientFamilies.h"
#include "upnp/DeviceDocuments.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

class ContentDirectory;

// A control body longer than this is refused before it is read: the longest real request is a Browse or Search
// of a few hundred bytes, with a Filter or SortCriteria of a few kilobytes from the wordiest control points.
inline constexpr std::size_t kMaxControlBody = 32 * 1024;

inline constexpr int kNotAuthorized = 606;

struct ControlReply {
    unsigned status = 200; // 500 with a fault
    std::string body;
    std::string logLine; // what the operator reads of it: the action, the object, the fault
};

// The service named by the last part of a control or event path ("/upnp/control/NAME"), or nullptr.
const ServiceRow* ServiceOfPath(std::string_view path, std::string_view prefix);

// Answers body (a SOAP request to service) from a client the allow list lets in (allowed) or not, of the family
// whose quirks are given; soapAction is the SOAPACTION header when there was one. directory is nullptr while the
// side stops.
ControlReply AnswerControl(const ContentDirectory* directory, const ServiceRow& service, bool allowed,
                           std::optional<std::string_view> soapAction, std::string_view body,
                           const ClientQuirks& quirks = {});

} // namespace tarnvale
