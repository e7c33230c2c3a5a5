// The address players and TVs are told to use when the server sits behind a front (a caching proxy): the base of
// every URL the server hands out, in place of the address a request came in on.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

struct PublicUrl {
    // "http://front.lan:8080" or "http://front.lan/tarnvale": no slash at the end, so "/programs/12" follows.
    std::string base;
    // The host alone, in lower case, without the port ("front.lan", "10.0.0.5", "[fd00::1]").
    std::string host;
};

// Reads "http://HOST[:PORT][/PATH]" (or https). Nothing, with error saying what is wrong, for anything else: a
// query, a fragment, user information, or characters that would need escaping in a page, a playlist or JSON.
std::optional<PublicUrl> ParsePublicUrl(std::string_view text, std::string* error = nullptr);

} // namespace tarnvale
