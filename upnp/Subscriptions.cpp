// The subscription table. SIDs are random: a guessed SID would let one host renew or end another's subscription.
#include "upnp/Subscriptions.h"

#include "upnp/DeviceIdentity.h"

#include <algorithm>

namespace tarnvale {

namespace {

// A little after the initial event's answer has been handed to the HTTP side, so that the subscriber has read its
// SID before the first NOTIFY names it.
constexpr auto kInitialEventDelay = std::chrono::milliseconds(100);

} // namespace

Subscriptions::Subscriptions(SubscriptionLimits limits) : limits_(limits), random_(std::random_device{}()) {}

std::string Subscriptions::NewSid() {
    Uuid uuid;
    for (std::size_t i = 0; i < uuid.size(); i += 8) {
        const std::uint64_t bits = random_();
        for (std::size_t j = 0; j < 8; ++j)
            uuid[i + j] = static_cast<std::uint8_t>(bits >> (8 * j));
    }
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x40); // version 4: random
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80);
    return "uuid:" + UuidText(uuid);
}

SubscribeResult Subscriptions::Subscribe(std::uint32_t client, const std::string& serviceId,
                                         const EventCallback& callback, std::uint32_t seconds,
                                         EventClock::time_point now) {
    Expire(now);
    const auto ofClient = static_cast<std::size_t>(std::count_if(
        subscriptions_.begin(), subscriptions_.end(), [&](const Subscription& s) { return s.client == client; }));
    if (ofClient >= limits_.perAddress)
        return {503, "this address holds " + std::to_string(ofClient) + " subscriptions already", {}, 0};
    if (subscriptions_.size() >= limits_.total)
        return {503, "the server holds " + std::to_string(subscriptions_.size()) + " subscriptions already", {}, 0};
    seconds = std::clamp(seconds, limits_.leastSeconds, limits_.mostSeconds);
    Subscription subscription;
    subscription.sid = NewSid();
    subscription.serviceId = serviceId;
    subscription.client = client;
    subscription.callback = callback;
    subscription.expires = now + std::chrono::seconds(seconds);
    subscription.initialDue = now + kInitialEventDelay;
    subscriptions_.push_back(subscription);
    return {200, {}, subscription.sid, seconds};
}

SubscribeResult Subscriptions::Renew(std::uint32_t client, const std::string& serviceId, const std::string& sid,
                                     std::uint32_t seconds, EventClock::time_point now) {
    Expire(now);
    const auto found = std::find_if(subscriptions_.begin(), subscriptions_.end(), [&](const Subscription& s) {
        return s.sid == sid && s.client == client && s.serviceId == serviceId;
    });
    if (found == subscriptions_.end())
        return {412, "no such subscription (it may have expired)", {}, 0};
    seconds = std::clamp(seconds, limits_.leastSeconds, limits_.mostSeconds);
    found->expires = now + std::chrono::seconds(seconds);
    return {200, {}, sid, seconds};
}

bool Subscriptions::Unsubscribe(std::uint32_t client, const std::string& serviceId, const std::string& sid) {
    return std::erase_if(subscriptions_, [&](const Subscription& s) {
               return s.sid == sid && s.client == client && s.serviceId == serviceId;
           }) != 0;
}

std::size_t Subscriptions::Expire(EventClock::time_point now) {
    return std::erase_if(subscriptions_, [&](const Subscription& s) { return s.expires <= now; });
}

void Subscriptions::Drop(const std::string& sid) {
    std::erase_if(subscriptions_, [&](const Subscription& s) { return s.sid == sid; });
}

} // namespace tarnvale
