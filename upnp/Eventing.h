// Eventing: the services' events. SUBSCRIBE and UNSUBSCRIBE arrive as HTTP routes and only change the table; the
// NOTIFYs go out from a worker of the eventing's own, each with short time-outs, so that a subscriber that is slow
// or silent delays only other events, never a request, and is dropped once its time is up.
#pragma once

#include "http/HttpRoute.h"
#include "net/AllowList.h"
#include "upnp/MediaServerActions.h"
#include "upnp/Subscriptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tarnvale {

class ContentDirectory;

struct EventTimeouts {
    // The whole of one NOTIFY: connect, send and the answer's status line. A subscriber that takes longer is
    // dropped.
    std::chrono::milliseconds notify{2000};
    // Change events are sent at most this often: a catalogue tool adding a folder of programs one by one makes
    // one event per interval, not one per program.
    std::chrono::milliseconds interval{500};
};

// The body of a NOTIFY: the values in an event property set.
std::string PropertySet(const ActionArguments& values);

class Eventing {
public:
    // directory must outlive the eventing; log gets a line per subscription and per subscriber dropped.
    Eventing(const ContentDirectory& directory, AllowList allow, std::function<void(const std::string&)> log,
             SubscriptionLimits limits = {}, EventTimeouts timeouts = {});
    // Stops the worker.
    ~Eventing();
    Eventing(const Eventing&) = delete;
    Eventing& operator=(const Eventing&) = delete;

    // Answers a SUBSCRIBE or UNSUBSCRIBE at "/upnp/event/NAME"; from the HTTP side's threads.
    HttpRouteReply Answer(const HttpRouteRequest& request);
    // SystemUpdateID has changed: the subscribers of the directory hear of it within an interval.
    void Changed();
    // Stops the worker; a NOTIFY under way is abandoned within a few milliseconds.
    void Stop();

    std::size_t Count() const;

private:
    struct Job {
        std::string sid;
        EventCallback callback;
        std::string request;
    };
    void Run();
    bool Send(const Job& job) const;

    const ContentDirectory& directory_;
    const AllowList allow_;
    const std::function<void(const std::string&)> log_;
    const EventTimeouts timeouts_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    Subscriptions subscriptions_;
    EventClock::time_point nextRound_{};
    bool changed_ = false;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

} // namespace tarnvale
