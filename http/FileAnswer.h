// What a GET or HEAD of a program's file is answered with, from the file's size and validators and the request's
// Range, If-Range, If-None-Match and If-Modified-Since headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

// A strong entity tag from the file's size and modification time (nanoseconds): a file replaced by another gets a
// new one even when the sizes agree.
std::string EntityTag(std::uint64_t size, std::int64_t modifiedSeconds, std::int64_t modifiedNanoseconds);

// The time as HTTP writes it, "Sun, 06 Nov 1994 08:49:37 GMT".
std::string HttpDate(std::int64_t secondsSinceEpoch);
// The seconds since the epoch that an HTTP date names, in any of the three forms HTTP has had: the one above,
// "Sunday, 06-Nov-94 08:49:37 GMT" and "Sun Nov  6 08:49:37 1994". Nothing for anything else.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);

struct FileRequest {
    std::optional<std::string_view> range;
    std::optional<std::string_view> ifRange;
    std::optional<std::string_view> ifNoneMatch;
    std::optional<std::string_view> ifModifiedSince;
};

struct FileAnswer {
    unsigned status = 200; // 200, 206, 304 or 416
    std::uint64_t first = 0;
    std::uint64_t length = 0; // the bytes sent with 200 and 206
};

// tag is the file's EntityTag, modifiedSeconds its modification time. If-None-Match compares weakly ("*" matches
// any file); If-Modified-Since counts only without it, and only when it reads as a date; If-Range compares
// strongly, by tag or by the exact date, and a range that does not hold for this file yields the whole file.
FileAnswer AnswerFileRequest(const FileRequest& request, std::uint64_t size, std::string_view tag,
                             std::int64_t modifiedSeconds);

} // namespace tarnvale
