// SOAP as control points send it and read it: a request body in, the service type, the action and its arguments
// out; a response or a fault written back. Pure, so that the fuzzer and the tests reach every byte of it.
#pragma once

#include "upnp/MediaServerActions.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnvale {

// Bodies are bounded by the HTTP route before they get here; nesting is bounded here. An envelope is four deep
// (Envelope, Body, action, argument): a little room beyond that takes the odd wrapper a client adds, nothing more.
inline constexpr int kMaxSoapDepth = 8;
// No action takes more than a handful; the rest are not kept.
inline constexpr std::size_t kMaxSoapArguments = 32;

struct SoapCall {
    std::string serviceType; // the action element's namespace, "urn:...:service:ContentDirectory:1"
    std::string action;
    ActionArguments arguments; // the action element's child elements, by local name, with their text
};

// Reads body as a SOAP request. False, with error saying why, for what is not XML, has a document type (and with
// it any entity of its own: nothing is ever expanded), nests deeper than kMaxSoapDepth, or lacks an Envelope
// holding a Body holding an action element.
bool ReadSoapCall(std::string_view body, SoapCall& call, std::string& error);

// The action named by a SOAPACTION header ("urn:...#Browse", quoted or not); empty when the header says none.
std::string_view SoapActionName(std::string_view header);

// "<u:ACTIONResponse xmlns:u=TYPE>" with out's arguments in order, in an envelope.
std::string SoapResponse(std::string_view serviceType, std::string_view action, const ActionArguments& out);
// The UPnP error in an envelope; sent with status 500.
std::string SoapFault(int code, std::string_view text);

} // namespace tarnvale
