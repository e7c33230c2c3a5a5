// SOAP through expat, with everything a control request never needs refused: a document type (so no entity is
// declared, let alone expanded), processing beyond kMaxSoapDepth, and parameter entities.
#include "upnp/SoapEnvelope.h"

#include "http/TextEscapes.h"

#include <expat.h>

#include <algorithm>
#include <memory>
#include <type_traits>

namespace tarnvale {

namespace {

constexpr std::string_view kEnvelopeNamespace = "http://schemas.xmlsoap.org/soap/envelope/";
// Expat joins an element's namespace and local name with this byte, which no name or URI can hold.
constexpr char kNameSeparator = '\x01';

struct Reading {
    XML_Parser parser = nullptr;
    SoapCall call;
    int depth = 0;
    bool sawEnvelope = false, inBody = false, sawAction = false, inAction = false;
    std::string* argumentText = nullptr; // the argument being read, at depth 4
    std::string error;

    void Fail(std::string why) {
        if (error.empty())
            error = std::move(why);
        XML_StopParser(parser, XML_FALSE);
    }
};

struct Name {
    std::string_view space;
    std::string_view local;
};

Name Split(const XML_Char* name) {
    const std::string_view text(name);
    const std::size_t separator = text.find(kNameSeparator);
    if (separator == std::string_view::npos)
        return {{}, text};
    return {text.substr(0, separator), text.substr(separator + 1)};
}

void XMLCALL OnStart(void* data, const XML_Char* element, const XML_Char** /*attributes*/) {
    auto& reading = *static_cast<Reading*>(data);
    const Name name = Split(element);
    ++reading.depth;
    if (reading.depth > kMaxSoapDepth)
        return reading.Fail("the envelope nests deeper than " + std::to_string(kMaxSoapDepth) + " elements");
    switch (reading.depth) {
    case 1:
        if (name.local != "Envelope" || name.space != kEnvelopeNamespace)
            return reading.Fail("the document is not a SOAP envelope");
        reading.sawEnvelope = true;
        break;
    case 2:
        // A Header may come before the Body; only the Body is read.
        reading.inBody = name.local == "Body" && name.space == kEnvelopeNamespace;
        break;
    case 3:
        if (reading.inBody && !reading.sawAction) {
            reading.sawAction = reading.inAction = true;
            reading.call.serviceType = std::string(name.space);
            reading.call.action = std::string(name.local);
        }
        break;
    case 4:
        if (reading.inAction && reading.argumentText == nullptr && reading.call.arguments.size() < kMaxSoapArguments) {
            reading.call.arguments.emplace_back(std::string(name.local), std::string());
            reading.argumentText = &reading.call.arguments.back().second;
        }
        break;
    default:
        break;
    }
}

void XMLCALL OnEnd(void* data, const XML_Char* /*element*/) {
    auto& reading = *static_cast<Reading*>(data);
    if (reading.depth == 4)
        reading.argumentText = nullptr;
    if (reading.depth == 3)
        reading.inAction = false;
    if (reading.depth == 2)
        reading.inBody = false;
    --reading.depth;
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    auto& reading = *static_cast<Reading*>(data);
    // Only an argument's own text counts: markup inside an argument is not its value.
    if (reading.argumentText && reading.depth == 4)
        reading.argumentText->append(text, static_cast<std::size_t>(length));
}

void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    static_cast<Reading*>(data)->Fail("the envelope has a document type, which control requests never need");
}

void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                      const XML_Char*, const XML_Char*) {
    static_cast<Reading*>(data)->Fail("the envelope declares an entity");
}

using ParserOwner = std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)>;

std::string Element(std::string_view name, std::string_view text) {
    return "<" + std::string(name) + ">" + XmlEscaped(text) + "</" + std::string(name) + ">";
}

constexpr std::string_view kEnvelopeStart = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                            "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                                            "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body>";
constexpr std::string_view kEnvelopeEnd = "</s:Body></s:Envelope>\n";

} // namespace

bool ReadSoapCall(std::string_view body, SoapCall& call, std::string& error) {
    const ParserOwner parser(XML_ParserCreateNS(nullptr, kNameSeparator), &XML_ParserFree);
    if (!parser) {
        error = "no memory for the XML parser";
        return false;
    }
    Reading reading;
    reading.parser = parser.get();
    XML_SetUserData(parser.get(), &reading);
    XML_SetElementHandler(parser.get(), &OnStart, &OnEnd);
    XML_SetCharacterDataHandler(parser.get(), &OnText);
    XML_SetStartDoctypeDeclHandler(parser.get(), &OnDoctype);
    XML_SetEntityDeclHandler(parser.get(), &OnEntity);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    // Parsed in slices, so that a body longer than an int says (which the route already refuses) cannot wrap.
    constexpr std::size_t kSlice = 1 << 20;
    bool ok = true;
    do {
        const std::size_t size = std::min(body.size(), kSlice);
        const bool last = size == body.size();
        ok = XML_Parse(parser.get(), body.data(), static_cast<int>(size), last ? XML_TRUE : XML_FALSE) == XML_STATUS_OK;
        body.remove_prefix(size);
    } while (ok && !body.empty());
    if (!ok || !reading.error.empty()) {
        error = !reading.error.empty() ? reading.error
                                       : std::string("the body is not well-formed XML (") +
                                             XML_ErrorString(XML_GetErrorCode(parser.get())) + " at line " +
                                             std::to_string(XML_GetCurrentLineNumber(parser.get())) + ")";
        return false;
    }
    if (!reading.sawEnvelope || !reading.sawAction) {
        error = reading.sawEnvelope ? "the envelope's Body names no action" : "the document is not a SOAP envelope";
        return false;
    }
    call = std::move(reading.call);
    return true;
}

std::string_view SoapActionName(std::string_view header) {
    while (!header.empty() && (header.front() == ' ' || header.front() == '"'))
        header.remove_prefix(1);
    while (!header.empty() && (header.back() == ' ' || header.back() == '"'))
        header.remove_suffix(1);
    const std::size_t hash = header.rfind('#');
    return hash == std::string_view::npos ? std::string_view() : header.substr(hash + 1);
}

std::string SoapResponse(std::string_view serviceType, std::string_view action, const ActionArguments& out) {
    std::string xml(kEnvelopeStart);
    xml += "<u:" + std::string(action) + "Response xmlns:u=\"" + XmlEscaped(serviceType) + "\">";
    for (const auto& [name, value] : out)
        xml += Element(name, value);
    xml += "</u:" + std::string(action) + "Response>";
    return xml += kEnvelopeEnd;
}

std::string SoapFault(int code, std::string_view text) {
    std::string xml(kEnvelopeStart);
    xml += "<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail>"
           "<UPnPError xmlns=\"urn:schemas-upnp-org:control-1-0\">";
    xml += Element("errorCode", std::to_string(code)) + Element("errorDescription", text);
    xml += "</UPnPError></detail></s:Fault>";
    return xml += kEnvelopeEnd;
}

} // namespace tarnvale
