// The UPnP library's side of the media server: its start (retried while a fresh interface settles), the device's
// registration and goodbye, and callbacks that only translate between the library's documents and the pure actions.
#include "upnp/UpnpService.h"

#include "http/TextEscapes.h"
#include "net/HostAddress.h"
#include "platform/Socket.h"
#include "upnp/DeviceDocuments.h"
#include "upnp/DeviceIdentity.h"
#include "upnp/MediaServerActions.h"

#include <upnp/ActionRequest.h>
#include <upnp/SubscriptionRequest.h>
#include <upnp/ixml.h>
#include <upnp/upnp.h>
#include <upnp/upnptools.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

namespace tarnvale {

namespace {

// The library keeps its state for the whole process: a second service must not start it again.
std::atomic<bool> libraryInUse{false};

// A control request body larger than this is refused by the library before it is parsed.
constexpr std::size_t kMaxRequestBytes = 16 * 1024;
constexpr int kMaxSubscriptions = 64;
constexpr int kMaxSubscriptionSeconds = 1800;
// While an interface made a moment ago settles its IPv6 address, binding fails; this many tries, half a second
// apart, cover it.
constexpr int kStartTries = 10;
constexpr auto kStartRetryWait = std::chrono::milliseconds(500);

std::string Text(const char* text) {
    return text ? text : "";
}

// The text of node's text children.
std::string NodeText(IXML_Node* node) {
    std::string text;
    for (IXML_Node* child = ixmlNode_getFirstChild(node); child; child = ixmlNode_getNextSibling(child)) {
        if (ixmlNode_getNodeType(child) == eTEXT_NODE || ixmlNode_getNodeType(child) == eCDATA_SECTION_NODE)
            text += Text(ixmlNode_getNodeValue(child));
    }
    return text;
}

IXML_Node* FirstElement(IXML_Node* node) {
    for (IXML_Node* child = node ? ixmlNode_getFirstChild(node) : nullptr; child;
         child = ixmlNode_getNextSibling(child)) {
        if (ixmlNode_getNodeType(child) == eELEMENT_NODE)
            return child;
    }
    return nullptr;
}

// The arguments of the action element of a request: the child elements by local name.
ActionArguments ArgumentsOf(IXML_Document* request) {
    ActionArguments arguments;
    IXML_Node* action = FirstElement(request ? &request->n : nullptr);
    for (IXML_Node* child = action ? ixmlNode_getFirstChild(action) : nullptr; child;
         child = ixmlNode_getNextSibling(child)) {
        if (ixmlNode_getNodeType(child) != eELEMENT_NODE)
            continue;
        const char* local = ixmlNode_getLocalName(child);
        arguments.emplace_back(Text(local ? local : ixmlNode_getNodeName(child)), NodeText(child));
    }
    return arguments;
}

std::optional<std::uint32_t> IPv4Of(const sockaddr_storage* address) {
    if (!address || address->ss_family != AF_INET)
        return std::nullopt;
    return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

int OnLibraryEvent(Upnp_EventType type, const void* event, void* cookie) {
    auto* service = static_cast<UpnpService*>(cookie);
    if (type == UPNP_CONTROL_ACTION_REQUEST)
        service->OnAction(const_cast<void*>(event));
    else if (type == UPNP_EVENT_SUBSCRIPTION_REQUEST)
        service->OnSubscription(event);
    return 0;
}

// The library serves control and events only on ports from here up: it takes any lower one, 0 included, as this one.
constexpr std::uint16_t kLowestLibraryPort = 49152;
constexpr int kPortsTried = 256;

// The first TCP port from kLowestLibraryPort up that is free on address, so that a second server on the machine
// does not fail on the port the first one has; 0 when none is.
std::uint16_t FreePort(std::uint32_t address) {
    for (int i = 0; i < kPortsTried; ++i) {
        const platform::Socket probe = platform::CreateTcpSocket();
        const auto port = static_cast<std::uint16_t>(kLowestLibraryPort + i);
        if (probe && platform::Bind(probe.get(), platform::Endpoint{address, port}))
            return port;
    }
    return 0;
}

std::string LibraryError(int code) {
    return std::to_string(code) + " (" + Text(UpnpGetErrorMessage(code)) + ")";
}

} // namespace

UpnpService::UpnpService(const CMediaInfoList& catalogue) : catalogue_(catalogue) {}

UpnpService::~UpnpService() {
    Stop();
}

std::string UpnpService::DescriptionUrl() const {
    return settings_.documentOrigin + std::string(kDescriptionPath);
}

bool UpnpService::Start(UpnpSettings settings, std::string& error) {
    Stop();
    if (settings.port != 0 && settings.port < kLowestLibraryPort) {
        error = "the UPnP side serves control and events only on ports from " + std::to_string(kLowestLibraryPort) +
                " to 65535; choose one of those with --upnp-port";
        return false;
    }
    if (libraryInUse.exchange(true)) {
        error = "the UPnP side already runs in this process";
        return false;
    }
    settings_ = std::move(settings);
    if (settings_.friendlyName.empty())
        settings_.friendlyName = DefaultFriendlyName(settings_.hostName);
    udn_ = DeviceUdn(settings_.hostName, settings_.listFile);
    libraryStarted_ = true;
    int started = UPNP_E_INIT_FAILED;
    for (int attempt = 1; attempt <= kStartTries; ++attempt) {
        // A port found free may be taken before the library binds it: the next try finds another.
        const std::uint16_t port = settings_.port ? settings_.port : FreePort(settings_.address);
        started = UpnpInit2(settings_.interfaceName.c_str(), port);
        if (started != UPNP_E_SOCKET_BIND || attempt == kStartTries)
            break;
        UpnpFinish();
        if (attempt == 1 && settings_.warn)
            settings_.warn("UPnP cannot bind on " + settings_.interfaceName +
                           " yet (its addresses may still be settling, or another program took the port); "
                           "trying again for a few seconds");
        std::this_thread::sleep_for(kStartRetryWait);
    }
    if (started != UPNP_E_SUCCESS) {
        error = "the UPnP library cannot start on " + settings_.interfaceName + ": " + LibraryError(started) +
                (started == UPNP_E_SOCKET_BIND
                     ? ".\nIs another program using the port? Choose another with --upnp-port, or wait until the "
                       "interface is up."
                     : ".\nCheck that the interface is up, or name another with --interface.");
        Stop();
        return false;
    }
    UpnpSetMaxContentLength(kMaxRequestBytes);
    address_ = Text(UpnpGetServerIpAddress());
    port_ = UpnpGetServerPort();

    // SystemUpdateID starts from the clock, so that a restarted server does not repeat the ids of the last one.
    directory_ = std::make_unique<ContentDirectory>(catalogue_, settings_.mediaOrigin, ProbeMpegVideoFile,
                                                    static_cast<std::uint32_t>(std::time(nullptr)));
    directory_->SetPictureCheck(settings_.hasPicture);
    const DeviceSite site{settings_.friendlyName, udn_, settings_.documentOrigin,
                          "http://" + address_ + ":" + std::to_string(port_)};
    HttpDocuments documents;
    documents.emplace(std::string(kDescriptionPath), HttpDocument{"text/xml; charset=utf-8", DeviceDescription(site)});
    for (const ServiceRow& service : MediaServerServices())
        documents.emplace(ServiceDescriptionPath(service),
                          HttpDocument{"text/xml; charset=utf-8", ServiceDescription(service)});
    if (settings_.publish)
        settings_.publish(std::move(documents));

    // The library reads the description from the HTTP side and serves control and events by its URLs.
    int registered = UPNP_E_SUCCESS;
    {
        std::lock_guard lock(deviceMutex_);
        registered = UpnpRegisterRootDevice(DescriptionUrl().c_str(), &OnLibraryEvent, this, &device_);
        registered_ = registered == UPNP_E_SUCCESS;
    }
    if (registered != UPNP_E_SUCCESS) {
        error = "the UPnP library cannot read the device description at " + DescriptionUrl() + ": " +
                LibraryError(registered);
        Stop();
        return false;
    }
    UpnpSetMaxSubscriptions(device_, kMaxSubscriptions);
    UpnpSetMaxSubscriptionTimeOut(device_, kMaxSubscriptionSeconds);
    const int announced = UpnpSendAdvertisement(device_, kAnnouncementSeconds);
    if (announced != UPNP_E_SUCCESS && settings_.warn)
        settings_.warn("UPnP: the first announcement could not be sent: " + LibraryError(announced) +
                       "; TVs find the server when they search");
    return true;
}

void UpnpService::CatalogueChanged() {
    std::lock_guard lock(deviceMutex_);
    if (!registered_ || !directory_)
        return;
    const std::string id = std::to_string(directory_->Changed());
    const char* names[] = {"SystemUpdateID"};
    const char* values[] = {id.c_str()};
    const char* service = MediaServerServices()[0].id;
    UpnpNotify(device_, udn_.c_str(), service, names, values, 1);
}

void UpnpService::Stop() {
    {
        std::lock_guard lock(deviceMutex_);
        if (registered_)
            UpnpUnRegisterRootDevice(device_); // the goodbye
        registered_ = false;
    }
    if (libraryStarted_) {
        UpnpFinish();
        libraryStarted_ = false;
        libraryInUse = false;
    }
    directory_.reset();
    address_.clear();
    port_ = 0;
}

void UpnpService::OnAction(void* event) {
    auto* request = static_cast<UpnpActionRequest*>(event);
    const std::string action = Text(UpnpActionRequest_get_ActionName_cstr(request));
    const std::string serviceId = Text(UpnpActionRequest_get_ServiceID_cstr(request));
    const std::optional<std::uint32_t> client = IPv4Of(UpnpActionRequest_get_CtrlPtIPAddr(request));
    const ActionArguments in = ArgumentsOf(UpnpActionRequest_get_ActionRequest(request));

    ActionAnswer answer;
    if (!client || !settings_.allow.Allows(*client))
        answer = ActionAnswer{606, "Action not authorized: this address is not on the server's allow list", {}};
    else if (directory_)
        answer = AnswerAction(*directory_, serviceId, action, in);
    else
        answer = ActionAnswer{kActionFailed, "Action Failed: the server is stopping", {}};

    if (settings_.log) {
        std::string line = "UPnP " + action;
        if (const std::string* object = ArgumentValue(in, "ObjectID"))
            line += " ObjectID=" + *object;
        line += " from " + (client ? FormatIPv4(*client) : std::string("?"));
        if (answer.fault)
            line += ": fault " + std::to_string(answer.fault) + " (" + answer.faultText + ")";
        settings_.log(OneLine(line));
    }
    if (answer.fault) {
        UpnpActionRequest_set_ErrCode(request, answer.fault);
        UpnpActionRequest_strcpy_ErrStr(request, answer.faultText.substr(0, LINE_SIZE - 1).c_str());
        return;
    }
    const ServiceRow* service = FindService(serviceId);
    IXML_Document* result = UpnpMakeActionResponse(action.c_str(), service->type, 0, nullptr);
    for (const auto& [name, value] : answer.out)
        UpnpAddToActionResponse(&result, action.c_str(), service->type, name.c_str(), value.c_str());
    UpnpActionRequest_set_ErrCode(request, UPNP_E_SUCCESS);
    UpnpActionRequest_set_ActionResult(request, result);
}

// Subscriptions carry no address in this library, so the allow list cannot hold for them; what they get is
// SystemUpdateID and other counters, never a program.
void UpnpService::OnSubscription(const void* event) {
    const auto* request = static_cast<const UpnpSubscriptionRequest*>(event);
    const std::string serviceId = Text(UpnpSubscriptionRequest_get_ServiceId_cstr(request));
    const std::string sid = Text(UpnpSubscriptionRequest_get_SID_cstr(request));
    if (!directory_ || !FindService(serviceId))
        return;
    const ActionArguments values = EventedValues(*directory_, serviceId);
    std::vector<const char*> names, texts;
    for (const auto& [name, value] : values) {
        names.push_back(name.c_str());
        texts.push_back(value.c_str());
    }
    UpnpAcceptSubscription(device_, udn_.c_str(), serviceId.c_str(), names.data(), texts.data(),
                           static_cast<int>(values.size()), sid.c_str());
    if (settings_.log)
        settings_.log(OneLine("UPnP subscription to " + serviceId + " (" + sid + ")"));
}

} // namespace tarnvale
