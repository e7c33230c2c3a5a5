// SUBSCRIBE and UNSUBSCRIBE as their headers say them: the callback a subscriber names, the time it asks for and
// the SID of a renewal, read strictly. Pure: the subscription table decides, the HTTP route only hands over.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

// Where a subscriber takes its events: an IPv4 address and port, and the path, as given.
struct EventCallback {
    std::uint32_t address = 0; // host order
    std::uint16_t port = 0;
    std::string path;
};

// A callback URL is a line of a header: longer ones are refused, not cut.
inline constexpr std::size_t kMaxCallbackLength = 512;

// The first URL of a CALLBACK header ("<http://192.0.2.2:49152/event>", more may follow) when it is an http URL
// whose host is an IPv4 address in dotted form and whose port is not 0; nothing otherwise. A host name is refused:
// what it resolves to is the subscriber's to choose, and the callback must be the subscriber's own address.
std::optional<EventCallback> ReadEventCallback(std::string_view header);

// The seconds a TIMEOUT header asks for ("Second-1800", "Second-infinite"), kept within [least, most]; most when
// the header is missing, says infinite or cannot be read.
std::uint32_t ReadSubscriptionSeconds(std::optional<std::string_view> header, std::uint32_t least, std::uint32_t most);

// What a SUBSCRIBE or UNSUBSCRIBE asks, before the table is asked: its status when the headers alone refuse it.
struct GenaAsk {
    enum class Kind { Subscribe, Renew, Unsubscribe } kind = Kind::Subscribe;
    unsigned refusal = 0; // 0: go on; else 400 (headers that contradict) or 412 (a precondition failed)
    std::string reason;
    std::optional<EventCallback> callback; // a new subscription's
    std::string sid;                       // a renewal's or an unsubscription's
};

// header looks a request header up by name. A new subscription needs NT "upnp:event" and a usable CALLBACK on
// client's own address; a renewal and an unsubscription need a SID and neither NT nor CALLBACK.
GenaAsk ReadGenaRequest(std::string_view method, std::uint32_t client,
                        const std::function<std::optional<std::string_view>(const char*)>& header);

} // namespace tarnvale
