// Requests that other parts of the server answer on the HTTP side (the UPnP side's control and events, the converted
// streams): matched by the start of their path, answered by a function of that part, with the library kept out of
// both. The HTTP side has already checked the client against the allow list and the Host header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnvale {

struct HttpRouteRequest {
    std::string_view method;
    std::string_view path;    // with its %-escapes undone
    std::uint32_t client = 0; // IPv4, host order
    // The base of the URLs handed out ("http://HOST:PORT", or the public URL).
    std::string origin;
    // A request header by name (case does not matter); nothing when it was not sent.
    std::function<std::optional<std::string_view>(const char* name)> header;
    std::string body;
};

struct HttpRouteReply {
    unsigned status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // Instead of body: length bytes of this file from offset, read as they are sent.
    std::optional<std::string> file;
    std::uint64_t fileOffset = 0;
    std::uint64_t fileLength = 0;
    // Instead of body or file: bytes made as they are sent, a piece at a time into room (at most its size) from
    // the position given; the count written, 0 at the end, -1 to drop the connection. Called from the side's
    // threads, once at a time per request; released when the client is done or gone.
    std::function<long(std::uint64_t position, char* room, std::size_t size)> stream;
    // Said after the status in the request's log line.
    std::string logNote;
};

struct HttpRoute {
    std::string prefix;
    std::vector<std::string> methods; // any other method is answered 405 with Allow
    std::size_t maxBody = 0;          // a longer request body is answered 413
    std::function<HttpRouteReply(const HttpRouteRequest&)> answer;
    // A connection whose request is for this route is closed after this many seconds without a byte either way;
    // 0: the service's own limit. Requests that are whole in one packet (SOAP, SUBSCRIBE) need no long wait, and
    // a client that stops half-way through one is let go early.
    unsigned idleSeconds = 0;
};

} // namespace tarnvale
