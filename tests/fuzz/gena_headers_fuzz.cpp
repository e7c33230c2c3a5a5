// SUBSCRIBE and UNSUBSCRIBE headers as anything a client may send: lines of NAME: VALUE. Whatever is read, a
// callback taken is on the subscriber's own address and its path can end no request line early.
#include "upnp/GenaRequest.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

using namespace tarnvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint32_t kClient = 0xC0000202;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool unsubscribe = !text.empty() && (text.front() & 1);
    std::map<std::string, std::string, std::less<>> headers;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos)
            headers[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 1));
    }
    const GenaAsk ask = ReadGenaRequest(unsubscribe ? "UNSUBSCRIBE" : "SUBSCRIBE", kClient, [&](const char* name) {
        const auto found = headers.find(name);
        return found == headers.end() ? std::nullopt : std::optional<std::string_view>(found->second);
    });
    if (ask.refusal == 0 && ask.kind == GenaAsk::Kind::Subscribe) {
        if (!ask.callback || ask.callback->address != kClient || ask.callback->port == 0 ||
            ask.callback->path.empty() || ask.callback->path.front() != '/')
            __builtin_trap();
        for (char c : ask.callback->path)
            if (static_cast<unsigned char>(c) <= 0x20)
                __builtin_trap();
    }
    if (const auto timeout = headers.find("TIMEOUT"); timeout != headers.end()) {
        const std::uint32_t seconds = ReadSubscriptionSeconds(timeout->second, 60, 1800);
        if (seconds < 60 || seconds > 1800)
            __builtin_trap();
    }
    return 0;
}
