// Reading SUBSCRIBE headers. A callback elsewhere than the subscriber would let anyone on the LAN aim our NOTIFYs at
// a third host (a reflection, or a way past a firewall to it): only the subscriber's own address is taken.
#include "upnp/GenaRequest.h"

#include "core/ParseInteger.h"
#include "http/HeaderText.h"
#include "net/HostAddress.h"

#include <algorithm>
#include <cctype>

namespace tarnvale {

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// "a.b.c.d", each part 0-255 in at most three digits.
std::optional<std::uint32_t> DottedIPv4(std::string_view text) {
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? text.find('.') : text.size();
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view digits = text.substr(0, end);
        if (digits.empty() || digits.size() > 3 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const auto value = ParseInteger<std::uint32_t>(digits, 0, 255);
        if (!value)
            return std::nullopt;
        address = address << 8 | *value;
        text.remove_prefix(part < 3 ? end + 1 : end);
    }
    return address;
}

} // namespace

std::optional<EventCallback> ReadEventCallback(std::string_view header) {
    header = TrimmedHeaderText(header);
    if (header.empty() || header.front() != '<')
        return std::nullopt;
    const std::size_t close = header.find('>');
    if (close == std::string_view::npos || close - 1 > kMaxCallbackLength)
        return std::nullopt;
    std::string_view url = header.substr(1, close - 1);
    constexpr std::string_view kScheme = "http://";
    if (!StartsNoCase(url, kScheme))
        return std::nullopt;
    url.remove_prefix(kScheme.size());
    const std::size_t slash = url.find('/');
    const std::string_view authority = url.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? std::string_view("/") : url.substr(slash);
    // Spaces and control characters would end the NOTIFY's request line early.
    if (std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; }))
        return std::nullopt;
    const std::size_t colon = authority.find(':');
    const auto address = DottedIPv4(authority.substr(0, colon));
    if (!address)
        return std::nullopt;
    std::uint16_t port = 80;
    if (colon != std::string_view::npos) {
        const std::string_view digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const auto value = ParseInteger<std::uint16_t>(digits, 1, 65535);
        if (!value)
            return std::nullopt;
        port = *value;
    }
    return EventCallback{*address, port, std::string(path)};
}

std::uint32_t ReadSubscriptionSeconds(std::optional<std::string_view> header, std::uint32_t least, std::uint32_t most) {
    if (!header)
        return most;
    const std::string_view text = TrimmedHeaderText(*header);
    constexpr std::string_view kSecond = "Second-";
    if (!StartsNoCase(text, kSecond))
        return most;
    const std::string_view digits = text.substr(kSecond.size());
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return most; // "infinite", or words
    const std::optional<std::uint32_t> seconds = ParseInteger<std::uint32_t>(digits);
    if (!seconds)
        return most; // more than fits: as long as is given
    return std::clamp(*seconds, least, most);
}

GenaAsk ReadGenaRequest(std::string_view method, std::uint32_t client,
                        const std::function<std::optional<std::string_view>(const char*)>& header) {
    GenaAsk ask;
    const std::optional<std::string_view> sid = header("SID");
    const std::optional<std::string_view> nt = header("NT");
    const std::optional<std::string_view> callback = header("CALLBACK");
    const auto refuse = [&](unsigned status, std::string reason) {
        ask.refusal = status;
        ask.reason = std::move(reason);
        return ask;
    };
    if (method == "UNSUBSCRIBE" || sid) {
        ask.kind = method == "UNSUBSCRIBE" ? GenaAsk::Kind::Unsubscribe : GenaAsk::Kind::Renew;
        if (nt || callback)
            return refuse(400, "a SID goes without NT and CALLBACK");
        if (!sid || TrimmedHeaderText(*sid).empty())
            return refuse(412, "no SID");
        ask.sid = std::string(TrimmedHeaderText(*sid));
        return ask;
    }
    if (!nt || TrimmedHeaderText(*nt) != "upnp:event")
        return refuse(412, "NT is not upnp:event");
    if (!callback)
        return refuse(412, "no CALLBACK");
    ask.callback = ReadEventCallback(*callback);
    if (!ask.callback)
        return refuse(412, "the CALLBACK is not an http URL with an IPv4 address and a port");
    if (ask.callback->address != client)
        return refuse(412, "the CALLBACK is at " + FormatIPv4(ask.callback->address) +
                               ", not the subscriber's own "
                               "address");
    return ask;
}

} // namespace tarnvale
