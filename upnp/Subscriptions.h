// The subscriptions to the services' events: who, where to, until when, and what each has been sent. Bounded per
// address and in all, so that one host cannot take every place nor make the server keep an unbounded list. Not
// locked: its owner (Eventing) holds the lock; time is handed in, so that expiry is tested without waiting.
#pragma once

#include "upnp/GenaRequest.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tarnvale {

using EventClock = std::chrono::steady_clock;

struct SubscriptionLimits {
    std::size_t perAddress = 8; // a TV subscribes to each of the three services, a second app on it as many again
    std::size_t total = 64;
    std::uint32_t leastSeconds = 60;
    std::uint32_t mostSeconds = 1800;
};

struct Subscription {
    std::string sid; // "uuid:..."
    std::string serviceId;
    std::uint32_t client = 0;
    EventCallback callback;
    EventClock::time_point expires;
    std::uint32_t sequence = 0;   // SEQ of the next event
    std::uint32_t sentUpdate = 0; // the SystemUpdateID last sent
    bool initialSent = false;
    EventClock::time_point initialDue; // the initial event goes after the answer to SUBSCRIBE is on its way
};

struct SubscribeResult {
    unsigned status = 200; // 200, or 412 (no such SID), 503 (no room)
    std::string reason;
    std::string sid;
    std::uint32_t seconds = 0;
};

class Subscriptions {
public:
    explicit Subscriptions(SubscriptionLimits limits = {});

    // A new subscription of client to serviceId for the seconds asked (kept within the limits).
    SubscribeResult Subscribe(std::uint32_t client, const std::string& serviceId, const EventCallback& callback,
                              std::uint32_t seconds, EventClock::time_point now);
    // A renewal by the same client, of the same service: the subscription lives on for seconds from now.
    SubscribeResult Renew(std::uint32_t client, const std::string& serviceId, const std::string& sid,
                          std::uint32_t seconds, EventClock::time_point now);
    // False when there is no such subscription of this client.
    bool Unsubscribe(std::uint32_t client, const std::string& serviceId, const std::string& sid);
    // Lets go of those whose time is up; how many went.
    std::size_t Expire(EventClock::time_point now);
    // Lets go of sid (a subscriber that did not take its event).
    void Drop(const std::string& sid);

    std::vector<Subscription>& All() { return subscriptions_; }
    const std::vector<Subscription>& All() const { return subscriptions_; }
    const SubscriptionLimits& Limits() const { return limits_; }

private:
    std::string NewSid();

    SubscriptionLimits limits_;
    std::vector<Subscription> subscriptions_;
    std::mt19937_64 random_;
};

} // namespace tarnvale
