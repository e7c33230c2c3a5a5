// The eventing worker and the NOTIFYs it sends. The lock is never held while a NOTIFY is under way: a request
// subscribing meanwhile waits for the table only.
#include "upnp/Eventing.h"

#include "http/TextEscapes.h"
#include "net/HostAddress.h"
#include "platform/Socket.h"
#include "upnp/ContentDirectory.h"
#include "upnp/DeviceDocuments.h"

#include <algorithm>
#include <vector>

namespace tarnvale {

namespace {

constexpr std::string_view kEventPrefix = "/upnp/event/";
constexpr const char* kDirectoryServiceId = "urn:upnp-org:serviceId:ContentDirectory";
// Waits on a socket are cut in slices this long, so that Stop is never kept waiting on a subscriber.
constexpr int kSliceMs = 50;

const ServiceRow* ServiceOf(std::string_view path) {
    if (!path.starts_with(kEventPrefix))
        return nullptr;
    path.remove_prefix(kEventPrefix.size());
    for (const ServiceRow& service : MediaServerServices())
        if (path == service.name)
            return &service;
    return nullptr;
}

HttpRouteReply Reply(unsigned status, std::string note) {
    HttpRouteReply reply;
    reply.status = status;
    reply.logNote = std::move(note);
    return reply;
}

int MillisecondsLeft(EventClock::time_point deadline) {
    return static_cast<int>(std::max<std::int64_t>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - EventClock::now()).count()));
}

std::string NotifyRequest(const Subscription& subscription, const std::string& body) {
    return "NOTIFY " + subscription.callback.path + " HTTP/1.1\r\nHOST: " + FormatIPv4(subscription.callback.address) +
           ":" + std::to_string(subscription.callback.port) +
           "\r\nCONTENT-TYPE: text/xml; charset=\"utf-8\"\r\nNT: upnp:event\r\nNTS: upnp:propchange\r\nSID: " +
           subscription.sid + "\r\nSEQ: " + std::to_string(subscription.sequence) +
           "\r\nCONTENT-LENGTH: " + std::to_string(body.size()) + "\r\nCONNECTION: close\r\n\r\n" + body;
}

} // namespace

std::string PropertySet(const ActionArguments& values) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<e:propertyset xmlns:e=\"urn:schemas-upnp-org:event-1-0\">";
    for (const auto& [name, value] : values)
        xml += "<e:property><" + name + ">" + XmlEscaped(value) + "</" + name + "></e:property>";
    return xml + "</e:propertyset>\n";
}

Eventing::Eventing(const ContentDirectory& directory, AllowList allow, std::function<void(const std::string&)> log,
                   SubscriptionLimits limits, EventTimeouts timeouts)
    : directory_(directory), allow_(std::move(allow)), log_(std::move(log)), timeouts_(timeouts),
      subscriptions_(limits), worker_([this] { Run(); }) {}

Eventing::~Eventing() {
    Stop();
}

void Eventing::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

std::size_t Eventing::Count() const {
    std::lock_guard lock(mutex_);
    return subscriptions_.All().size();
}

void Eventing::Changed() {
    {
        std::lock_guard lock(mutex_);
        changed_ = true;
    }
    wake_.notify_all();
}

HttpRouteReply Eventing::Answer(const HttpRouteRequest& request) {
    const ServiceRow* service = ServiceOf(request.path);
    if (!service)
        return Reply(404, "no such service");
    const std::string who = FormatIPv4(request.client);
    if (!allow_.Allows(request.client))
        return Reply(403, "refused: " + who + " is not on the allow list");
    const GenaAsk ask = ReadGenaRequest(request.method, request.client, request.header);
    if (ask.refusal) {
        if (log_)
            log_(OneLine("UPnP " + std::string(request.method) + " from " + who + " refused: " + ask.reason));
        return Reply(ask.refusal, "refused: " + ask.reason);
    }
    const auto now = EventClock::now();
    const Subscriptions& limits = subscriptions_;
    const std::uint32_t seconds =
        ReadSubscriptionSeconds(request.header("TIMEOUT"), limits.Limits().leastSeconds, limits.Limits().mostSeconds);
    SubscribeResult result;
    {
        std::lock_guard lock(mutex_);
        if (ask.kind == GenaAsk::Kind::Unsubscribe)
            result.status = subscriptions_.Unsubscribe(request.client, service->id, ask.sid) ? 200 : 412;
        else if (ask.kind == GenaAsk::Kind::Renew)
            result = subscriptions_.Renew(request.client, service->id, ask.sid, seconds, now);
        else
            result = subscriptions_.Subscribe(request.client, service->id, *ask.callback, seconds, now);
    }
    wake_.notify_all();
    std::string line = "UPnP " + std::string(request.method) + " " + service->name + " from " + who;
    if (result.status != 200) {
        line += " refused: " + (result.reason.empty() ? std::string("no such subscription") : result.reason);
        if (log_)
            log_(OneLine(line));
        return Reply(result.status, line);
    }
    HttpRouteReply reply = Reply(200, result.sid);
    if (ask.kind != GenaAsk::Kind::Unsubscribe) {
        reply.headers = {{"SID", result.sid}, {"TIMEOUT", "Second-" + std::to_string(result.seconds)}};
        line += ": " + result.sid + " for " + std::to_string(result.seconds) + " s";
    }
    if (log_)
        log_(OneLine(line));
    return reply;
}

void Eventing::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const auto now = EventClock::now();
        subscriptions_.Expire(now);
        const std::uint32_t update = directory_.UpdateId();
        const bool round = changed_ && now >= nextRound_;
        std::vector<Job> jobs;
        auto wakeAt = EventClock::time_point::max();
        for (Subscription& subscription : subscriptions_.All()) {
            const bool initial = !subscription.initialSent && now >= subscription.initialDue;
            const bool change = subscription.initialSent && round && subscription.serviceId == kDirectoryServiceId &&
                                subscription.sentUpdate != update;
            if (!subscription.initialSent && !initial)
                wakeAt = std::min(wakeAt, subscription.initialDue);
            if (!initial && !change)
                continue;
            ActionArguments values = initial ? EventedValues(directory_, subscription.serviceId)
                                             : ActionArguments{{"SystemUpdateID", std::to_string(update)}};
            jobs.push_back({subscription.sid, subscription.callback, NotifyRequest(subscription, PropertySet(values))});
            subscription.initialSent = true;
            subscription.sentUpdate = update;
            ++subscription.sequence;
        }
        if (round) {
            changed_ = false;
            nextRound_ = now + timeouts_.interval;
        } else if (changed_) {
            wakeAt = std::min(wakeAt, nextRound_);
        }
        if (jobs.empty()) {
            if (wakeAt == EventClock::time_point::max())
                wake_.wait(lock);
            else
                wake_.wait_until(lock, wakeAt);
            continue;
        }
        lock.unlock();
        std::vector<std::string> dropped;
        for (const Job& job : jobs) {
            if (stopping_)
                break;
            if (!Send(job))
                dropped.push_back(job.sid);
        }
        lock.lock();
        for (const std::string& sid : dropped) {
            subscriptions_.Drop(sid);
            if (log_)
                log_("UPnP subscriber " + sid + " dropped: it did not take its event within " +
                     std::to_string(timeouts_.notify.count()) + " ms");
        }
    }
}

// Connect, send and read the status line, all within the NOTIFY's time; anything but a 2xx status drops the
// subscriber (a 412 is its way of saying it knows the SID no more).
bool Eventing::Send(const Job& job) const {
    const auto deadline = EventClock::now() + timeouts_.notify;
    const platform::Socket socket = platform::CreateTcpSocket();
    if (!socket || !platform::ConnectWithin(socket.get(), {job.callback.address, job.callback.port},
                                            MillisecondsLeft(deadline), &stopping_))
        return false;
    platform::SetNonBlocking(socket.get(), true);
    std::size_t sent = 0;
    while (sent < job.request.size()) {
        if (stopping_ || MillisecondsLeft(deadline) == 0)
            return false;
        const platform::IoResult result =
            platform::Send(socket.get(), job.request.data() + sent, job.request.size() - sent);
        if (result.status == platform::IoStatus::Ok)
            sent += result.bytes;
        else if (result.status == platform::IoStatus::WouldBlock)
            platform::WaitWritable(socket.get(), std::min(kSliceMs, MillisecondsLeft(deadline)));
        else
            return false;
    }
    std::string answer;
    char buffer[256];
    while (answer.find("\r\n") == std::string::npos && answer.size() < 1024) {
        if (stopping_ || MillisecondsLeft(deadline) == 0)
            return false;
        const platform::IoResult result = platform::Receive(socket.get(), buffer, sizeof buffer);
        if (result.status == platform::IoStatus::Ok)
            answer.append(buffer, result.bytes);
        else if (result.status == platform::IoStatus::WouldBlock)
            platform::WaitReadable(socket.get(), std::min(kSliceMs, MillisecondsLeft(deadline)));
        else
            break;
    }
    // "HTTP/1.1 200 OK": the status is the second word.
    const std::size_t space = answer.find(' ');
    return answer.starts_with("HTTP/") && space != std::string::npos && answer.size() > space + 1 &&
           answer[space + 1] == '2';
}

} // namespace tarnvale
