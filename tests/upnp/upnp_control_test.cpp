// Control requests as bytes: envelopes as control points write them and as attackers do, what each earns, and
// whether the answers read back as the envelopes control points expect.
#include "core/MediaType.h"
#include "upnp/ClientFamilies.h"
#include "upnp/ContentDirectory.h"
#include "upnp/ControlRequest.h"
#include "upnp/SoapEnvelope.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

namespace tarnvale::test {
namespace {

constexpr const char* kDirectory = "urn:schemas-upnp-org:service:ContentDirectory:1";

std::string Envelope(const std::string& inner, const std::string& action = "Browse",
                     const std::string& type = kDirectory) {
    return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "s:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><s:Body><u:" +
           action + " xmlns:u=\"" + type + "\">" + inner + "</u:" + action + "></s:Body></s:Envelope>";
}

const std::string kBrowseRoot = "<ObjectID>0</ObjectID><BrowseFlag>BrowseDirectChildren</BrowseFlag><Filter>*"
                                "</Filter><StartingIndex>0</StartingIndex><RequestedCount>0</RequestedCount>"
                                "<SortCriteria></SortCriteria>";

TEST(SoapEnvelope, ReadsWhatControlPointsWrite) {
    const struct {
        const char* name;
        std::string body;
        std::string action;
        ActionArguments arguments;
    } rows[] = {
        {"prefixed, with entities and CDATA",
         Envelope("<ObjectID>a&amp;b&#x41;<![CDATA[<c>]]></ObjectID>"),
         "Browse",
         {{"ObjectID", "a&bA<c>"}}},
        // Some control points write the default namespace instead of a prefix, and a SOAP Header before the Body.
        {"default namespace and a Header",
         "<Envelope xmlns=\"http://schemas.xmlsoap.org/soap/envelope/\"><Header><x>1</x></Header><Body>"
         "<Search xmlns=\"urn:schemas-upnp-org:service:ContentDirectory:1\"><ContainerID>0</ContainerID>"
         "<SearchCriteria/></Search></Body></Envelope>",
         "Search",
         {{"ContainerID", "0"}, {"SearchCriteria", ""}}},
        {"markup inside an argument is not its value",
         Envelope("<ObjectID>1<b>2</b>3</ObjectID>"),
         "Browse",
         {{"ObjectID", "13"}}},
        {"UTF-16 with a byte-order mark", std::string("\xff\xfe<\0e\0:\0E\0n\0v\0e\0l\0o\0p\0e\0 \0", 28), "", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SoapCall call;
        std::string error;
        if (row.action.empty()) {
            EXPECT_FALSE(ReadSoapCall(row.body, call, error)); // cut short: refused, not crashed
            continue;
        }
        ASSERT_TRUE(ReadSoapCall(row.body, call, error)) << error;
        EXPECT_EQ(call.action, row.action);
        EXPECT_EQ(call.serviceType, kDirectory);
        EXPECT_EQ(call.arguments, row.arguments);
    }
}

TEST(SoapEnvelope, RefusesWhatNoControlPointNeeds) {
    std::string deep = "<ObjectID>";
    for (int i = 0; i < kMaxSoapDepth; ++i)
        deep += "<a>";
    const struct {
        const char* name;
        std::string body;
        const char* why; // a word of the error
    } rows[] = {
        {"an entity declared", "<!DOCTYPE s [<!ENTITY a \"aaaa\">]>" + Envelope("<ObjectID>&a;</ObjectID>"),
         "document type"},
        {"an external entity", "<!DOCTYPE s SYSTEM \"file:///etc/passwd\">" + Envelope("<ObjectID>0</ObjectID>"),
         "document type"},
        {"deeper than allowed", Envelope(deep), "deeper"},
        {"not XML", std::string("\0\xff<<>>&&", 8), "well-formed"},
        {"cut short", Envelope(kBrowseRoot).substr(0, 120), "well-formed"},
        {"an undeclared entity", Envelope("<ObjectID>&x;</ObjectID>"), "well-formed"},
        {"not an envelope", "<Envelope><Body><u:Browse xmlns:u=\"x\"/></Body></Envelope>", "not a SOAP envelope"},
        {"a Body without an action",
         "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body/></s:Envelope>", "no action"},
        {"empty", "", "well-formed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SoapCall call;
        std::string error;
        EXPECT_FALSE(ReadSoapCall(row.body, call, error));
        EXPECT_NE(error.find(row.why), std::string::npos) << error;
    }
}

TEST(SoapEnvelope, AnswersReadBackAsTheyWereWritten) {
    // What a control point gets back must parse as the same values, markup and all.
    const ActionArguments out = {{"Result", "<DIDL-Lite>&\"'</DIDL-Lite>"}, {"NumberReturned", "1"}};
    SoapCall call;
    std::string error;
    const std::string response = SoapResponse(kDirectory, "Browse", out);
    ASSERT_TRUE(ReadSoapCall(response, call, error)) << error;
    EXPECT_EQ(call.action, "BrowseResponse");
    EXPECT_EQ(call.arguments, out);

    const std::string fault = SoapFault(701, "No such <object>");
    EXPECT_NE(fault.find("<errorCode>701</errorCode><errorDescription>No such &lt;object&gt;</errorDescription>"),
              std::string::npos)
        << fault;
    EXPECT_EQ(SoapActionName("\"urn:schemas-upnp-org:service:ContentDirectory:1#Browse\""), "Browse");
    EXPECT_EQ(SoapActionName("urn:x#Search"), "Search");
    EXPECT_EQ(SoapActionName("nothing"), "");
}

TEST(ControlRequest, EachRequestEarnsItsAnswer) {
    CMediaInfoList catalogue;
    CMediaInfo program;
    program.SetPath("/srv/a.mp3");
    program.m_nPID = 7;
    program.m_nType = MEDIA_MP3;
    catalogue.Assign({program});
    const ContentDirectory directory(
        catalogue, "http://192.0.2.1:8080", [](const char*) { return MpegVideoFormat{}; }, 5);
    const ServiceRow& cds = MediaServerServices()[0];
    const std::string browse = Envelope(kBrowseRoot);
    const struct {
        const char* name;
        bool allowed;
        std::optional<std::string_view> soapAction;
        std::string body;
        unsigned status;
        int fault; // 0: an answer
    } rows[] = {
        {"a Browse", true, "\"urn:schemas-upnp-org:service:ContentDirectory:1#Browse\"", browse, 200, 0},
        {"without SOAPACTION", true, std::nullopt, browse, 200, 0},
        {"a later version of the service", true, std::nullopt,
         Envelope(kBrowseRoot, "Browse", "urn:schemas-upnp-org:service:ContentDirectory:3"), 200, 0},
        {"off the allow list", false, std::nullopt, browse, 500, kNotAuthorized},
        {"SOAPACTION names another action", true, "\"urn:x#Search\"", browse, 500, 401},
        {"another service's action", true, std::nullopt,
         Envelope("", "GetProtocolInfo", "urn:schemas-upnp-org:service:ConnectionManager:1"), 500, 401},
        {"not XML", true, std::nullopt, "<<<", 500, 401},
        {"missing arguments", true, std::nullopt, Envelope("<ObjectID>0</ObjectID>"), 500, 402},
        {"no such object", true, std::nullopt,
         Envelope(std::regex_replace(kBrowseRoot, std::regex(">0<"), ">x<", std::regex_constants::format_first_only)),
         500, 701},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ControlReply reply = AnswerControl(&directory, cds, row.allowed, row.soapAction, row.body);
        EXPECT_EQ(reply.status, row.status);
        if (row.fault)
            EXPECT_NE(reply.body.find("<errorCode>" + std::to_string(row.fault) + "</errorCode>"), std::string::npos)
                << reply.body;
        else
            EXPECT_NE(reply.body.find("<TotalMatches>2</TotalMatches>"), std::string::npos) << reply.body; // Music, All
        EXPECT_FALSE(reply.logLine.empty());
    }
    EXPECT_EQ(AnswerControl(nullptr, cds, true, std::nullopt, browse).status, 500u);
    EXPECT_EQ(ServiceOfPath("/upnp/control/ContentDirectory", "/upnp/control/"), &cds);
    EXPECT_EQ(ServiceOfPath("/upnp/control/ContentDirectory/x", "/upnp/control/"), nullptr);
}

// Requests as each family sends them, built from the published captures of each (the header lines as the trackers
// of peer servers quote them), and what the answer must hold for that client to take it.
TEST(ClientFamilies, EachFamilyGetsAnAnswerItTakes) {
    CMediaInfoList catalogue;
    const struct {
        const char* path;
        std::int32_t pid, type;
    } programs[] = {{"/srv/a.avi", 12, MEDIA_AVI}, {"/srv/b.mp3", 13, MEDIA_MP3}};
    std::vector<CMediaInfo> list;
    for (const auto& row : programs) {
        CMediaInfo program;
        program.SetPath(row.path);
        program.m_nPID = row.pid;
        program.m_nType = row.type;
        list.push_back(program);
    }
    catalogue.Assign(list);
    const ContentDirectory directory(
        catalogue, "http://192.0.2.1:8080", [](const char*) { return MpegVideoFormat{}; }, 5);
    const ServiceRow& cds = MediaServerServices()[0];
    using Headers = std::map<std::string, std::string>;
    const std::string window = "<Filter>*</Filter><StartingIndex>0</StartingIndex><RequestedCount>10</RequestedCount>"
                               "<SortCriteria></SortCriteria>";
    const struct {
        const char* name;
        Headers headers;
        const char* family;
        std::string body;
        std::vector<std::string> expected; // texts the answer must hold
        std::vector<std::string> absent;   // and must not
    } rows[] = {
        // A 2012 set: "SEC_HHP_[TV]UE40ES6300/1.0 DLNADOC/1.50", asking for its feature list before it browses.
        {"Samsung TV, X_GetFeatureList",
         {{"User-Agent", "SEC_HHP_[TV]UE40ES6300/1.0 DLNADOC/1.50"}},
         "Samsung TV",
         Envelope("", "X_GetFeatureList"),
         {"<FeatureList>", "samsung.com_BASICVIEW", "container id=&quot;video&quot;", "container id=&quot;music&quot;"},
         {"errorCode"}},
        {"Samsung TV naming itself in X-AV-Client-Info",
         {{"X-AV-Client-Info", "av=5.0; cn=\"Samsung Electronics\"; mn=\"UE40D5000\"; mv=\"SEC_HHP_[TV]UE40D5000\""}},
         "Samsung TV",
         Envelope("", "X_GetFeatureList"),
         {"samsung.com_BASICVIEW"},
         {}},
        // Others are not sent a feature list they never asked for.
        {"generic, X_GetFeatureList",
         {{"User-Agent", "VLC/3.0.18 LibVLC/3.0.18"}},
         "generic",
         Envelope("", "X_GetFeatureList"),
         {"<errorCode>401</errorCode>"},
         {}},
        // Xbox 360: "Xbox/2.0.4548.0 UPnP/1.0 Xbox/2.0.4548.0", browsing with ContainerID; AVI as video/avi.
        {"Xbox, Browse with ContainerID",
         {{"User-Agent", "Xbox/2.0.4548.0 UPnP/1.0 Xbox/2.0.4548.0"}},
         "Xbox",
         Envelope("<ContainerID>video</ContainerID><BrowseFlag>BrowseDirectChildren</BrowseFlag>" + window),
         {"<NumberReturned>1</NumberReturned>", ":video/avi:"},
         {"x-msvideo"}},
        // Windows 7's player: lists music by searching for audio items under the root.
        {"Windows Media Player, Search for music",
         {{"User-Agent", "Microsoft-Windows/6.1 UPnP/1.0 Windows-Media-Player-DMS/12.0.7601.17514 DLNADOC/1.50"}},
         "Windows Media Player",
         Envelope("<ContainerID>0</ContainerID><SearchCriteria>(upnp:class derivedfrom &quot;object.item.audioItem"
                  "&quot; and @refID exists false)</SearchCriteria>" +
                      window,
                  "Search"),
         {"<NumberReturned>1</NumberReturned>", "b.mp3"},
         {"a.avi"}},
        {"Windows Media Player 12, registrar",
         {{"User-Agent", "Windows-Media-Player/12.0.7601.17514"}},
         "Windows Media Player",
         Envelope("<DeviceID></DeviceID>", "IsAuthorized", "urn:microsoft.com:service:X_MS_MediaReceiverRegistrar:1"),
         {},
         {}},
        // Generic control points that %-encode the id they were given.
        {"an id sent URL-encoded",
         {},
         "generic",
         Envelope("<ObjectID>%31%32</ObjectID><BrowseFlag>BrowseMetadata</BrowseFlag>" + window),
         {"<NumberReturned>1</NumberReturned>", "a.avi", ":video/x-msvideo:"},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ClientFamily& family = IdentifyClient([&](const char* name) {
            const auto found = row.headers.find(name);
            return found == row.headers.end() ? std::nullopt : std::optional<std::string_view>(found->second);
        });
        EXPECT_STREQ(family.name, row.family);
        const ServiceRow& service =
            std::string(row.name).find("registrar") != std::string::npos ? MediaServerServices()[2] : cds;
        const ControlReply reply = AnswerControl(&directory, service, true, std::nullopt, row.body, family.quirks);
        for (const std::string& text : row.expected)
            EXPECT_NE(reply.body.find(text), std::string::npos) << text << "\n" << reply.body;
        for (const std::string& text : row.absent)
            EXPECT_EQ(reply.body.find(text), std::string::npos) << text << "\n" << reply.body;
        if (row.expected.empty()) {
            EXPECT_EQ(reply.status, 200u) << reply.body;
        }
    }
}

} // namespace
} // namespace tarnvale::test
