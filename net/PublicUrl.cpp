// The public URL's reader: strict, since the base is copied as it is into every URL the server writes.
#include "net/PublicUrl.h"

#include "net/HostAndPort.h"

namespace tarnvale {

namespace {

std::optional<PublicUrl> Refused(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return std::nullopt;
}

// Letters, digits and the marks a path may hold unescaped, less those that end a URL's path or open a query.
bool IsPathCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-._~/%!$()*+,;=:@").find(c) != std::string_view::npos;
}

} // namespace

std::optional<PublicUrl> ParsePublicUrl(std::string_view text, std::string* error) {
    std::string_view rest = text;
    std::string_view scheme;
    for (const std::string_view known : {"http://", "https://"}) {
        if (rest.starts_with(known))
            scheme = known;
    }
    if (scheme.empty())
        return Refused(error, "\"" + std::string(text) + "\" does not start with http:// or https://");
    rest.remove_prefix(scheme.size());
    const std::size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    const std::optional<HostAndPort> split = SplitHostAndPort(authority);
    if (!split)
        return Refused(error, "\"" + std::string(authority) +
                                  "\" is not a host name or address with an optional port, such as front.lan:8080");
    for (char c : path) {
        if (!IsPathCharacter(c))
            return Refused(error, "the path \"" + std::string(path) +
                                      "\" holds characters a URL must escape, or a query or fragment; give a plain "
                                      "path such as /tarnvale");
    }
    while (path.ends_with('/'))
        path.remove_suffix(1);
    PublicUrl url;
    url.base = std::string(scheme) + std::string(authority) + std::string(path);
    url.host = AsciiLower(split->host);
    return url;
}

} // namespace tarnvale
