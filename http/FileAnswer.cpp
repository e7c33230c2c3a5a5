// Conditional and range requests for one file.
#include "http/FileAnswer.h"

#include "http/ByteRange.h"
#include "http/HeaderText.h"

#include <chrono>
#include <cstdio>

namespace tarnvale {

namespace {

std::string_view WithoutWeakMark(std::string_view tag) {
    if (tag.size() >= 2 && tag[0] == 'W' && tag[1] == '/')
        tag.remove_prefix(2);
    return tag;
}

// If-None-Match: "*", or a comma-separated list of tags, any of which may match.
bool AnyTagMatches(std::string_view list, std::string_view tag) {
    if (TrimmedHeaderText(list) == "*")
        return true;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = TrimmedHeaderText(list.substr(0, comma));
        if (WithoutWeakMark(item) == WithoutWeakMark(tag))
            return true;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

bool RangeStillHolds(std::string_view ifRange, std::string_view tag, std::string_view lastModified) {
    ifRange = TrimmedHeaderText(ifRange);
    if (ifRange.starts_with("W/"))
        return false;
    return ifRange.starts_with('"') ? ifRange == tag : ifRange == lastModified;
}

} // namespace

std::string EntityTag(std::uint64_t size, std::int64_t modifiedSeconds, std::int64_t modifiedNanoseconds) {
    char text[64];
    std::snprintf(text, sizeof text, "\"%llx-%llx-%llx\"", static_cast<unsigned long long>(size),
                  static_cast<unsigned long long>(modifiedSeconds),
                  static_cast<unsigned long long>(modifiedNanoseconds));
    return text;
}

std::string HttpDate(std::int64_t secondsSinceEpoch) {
    // The names are English whatever the locale; the calendar is worked out here, the same on every system.
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    using namespace std::chrono;
    const sys_seconds time{seconds{secondsSinceEpoch}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT", kDays[weekday{day}.c_encoding()],
                  static_cast<unsigned>(date.day()), kMonths[static_cast<unsigned>(date.month()) - 1],
                  static_cast<int>(date.year()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
    return text;
}

FileAnswer AnswerFileRequest(const FileRequest& request, std::uint64_t size, std::string_view tag,
                             std::string_view lastModified) {
    FileAnswer answer;
    answer.length = size;
    if (request.ifNoneMatch && AnyTagMatches(*request.ifNoneMatch, tag)) {
        answer.status = 304;
        answer.length = 0;
        return answer;
    }
    if (!request.range || (request.ifRange && !RangeStillHolds(*request.ifRange, tag, lastModified)))
        return answer;
    const RangeAnswer range = AnswerRange(*request.range, size);
    if (range.kind == RangeAnswer::Kind::Unsatisfiable) {
        answer.status = 416;
        answer.length = 0;
    } else if (range.kind == RangeAnswer::Kind::Part) {
        answer.status = 206;
        answer.first = range.first;
        answer.length = range.length;
    }
    return answer;
}

} // namespace tarnvale
