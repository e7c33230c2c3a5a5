// Conditional and range requests for one file.
#include "http/FileAnswer.h"

#include "http/ByteRange.h"
#include "http/HeaderText.h"

#include <chrono>
#include <cstdio>
#include <iterator>

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

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar; no time-zone database is consulted.
std::int64_t DaysSinceEpoch(std::int64_t year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
}

// Reads a date's text from left to right; each step is false once anything did not match.
class DateReader {
public:
    explicit DateReader(std::string_view text) : text_(text) {}

    bool Literal(std::string_view expected) {
        ok_ = ok_ && text_.starts_with(expected);
        if (ok_)
            text_.remove_prefix(expected.size());
        return ok_;
    }
    // count digits; a space may stand for a leading zero where spaceFirst (the old C form's day).
    int Digits(std::size_t count, bool spaceFirst = false) {
        int value = 0;
        for (std::size_t i = 0; ok_ && i < count; ++i) {
            const char c = i < text_.size() ? text_[i] : '\0';
            if (c == ' ' && spaceFirst && i == 0)
                continue;
            ok_ = c >= '0' && c <= '9';
            value = value * 10 + (c - '0');
        }
        if (ok_)
            text_.remove_prefix(count);
        return value;
    }
    // A day name, short or in full ("Sunday", for the form with two-digit years); which day it is is not checked.
    void DayName() {
        std::size_t letters = 0;
        while (letters < text_.size() &&
               ((text_[letters] >= 'a' && text_[letters] <= 'z') || (text_[letters] >= 'A' && text_[letters] <= 'Z')))
            ++letters;
        bool known = false;
        for (const char* day : kDays)
            known |= letters >= 3 && text_.substr(0, 3) == day;
        ok_ = ok_ && known;
        if (ok_)
            text_.remove_prefix(letters);
    }
    // 1 to 12.
    int Month() {
        for (std::size_t m = 0; ok_ && m < std::size(kMonths); ++m) {
            if (text_.starts_with(kMonths[m])) {
                text_.remove_prefix(3);
                return static_cast<int>(m) + 1;
            }
        }
        ok_ = false;
        return 0;
    }
    // "hh:mm:ss" as seconds into the day.
    int Time() {
        const int hours = Digits(2);
        Literal(":");
        const int minutes = Digits(2);
        Literal(":");
        const int seconds = Digits(2);
        ok_ = ok_ && hours < 24 && minutes < 60 && seconds < 61;
        return (hours * 60 + minutes) * 60 + seconds;
    }
    bool Done() const { return ok_ && text_.empty(); }
    bool Ok() const { return ok_; }

private:
    std::string_view text_;
    bool ok_ = true;
};

std::optional<std::int64_t> Seconds(bool done, int year, int month, int day, int seconds) {
    if (!done || day < 1 || day > 31)
        return std::nullopt;
    return DaysSinceEpoch(year, month, day) * 86400 + seconds;
}

} // namespace

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    text = TrimmedHeaderText(text);
    {
        DateReader date(text); // Sun, 06 Nov 1994 08:49:37 GMT
        date.DayName();
        if (date.Literal(", ") && text.size() == 29) {
            const int day = date.Digits(2);
            date.Literal(" ");
            const int month = date.Month();
            date.Literal(" ");
            const int year = date.Digits(4);
            date.Literal(" ");
            const int seconds = date.Time();
            date.Literal(" GMT");
            return Seconds(date.Done(), year, month, day, seconds);
        }
    }
    {
        DateReader date(text); // Sunday, 06-Nov-94 08:49:37 GMT
        date.DayName();
        if (date.Literal(", ")) {
            const int day = date.Digits(2);
            date.Literal("-");
            const int month = date.Month();
            date.Literal("-");
            const int shortYear = date.Digits(2);
            date.Literal(" ");
            const int seconds = date.Time();
            date.Literal(" GMT");
            // Two digits name the year nearest to now: the 1970s to 1990s, or this century.
            return Seconds(date.Done(), shortYear + (shortYear >= 70 ? 1900 : 2000), month, day, seconds);
        }
    }
    DateReader date(text); // Sun Nov  6 08:49:37 1994
    date.DayName();
    date.Literal(" ");
    const int month = date.Month();
    date.Literal(" ");
    const int day = date.Digits(2, true);
    date.Literal(" ");
    const int seconds = date.Time();
    date.Literal(" ");
    const int year = date.Digits(4);
    return Seconds(date.Done(), year, month, day, seconds);
}

std::string EntityTag(std::uint64_t size, std::int64_t modifiedSeconds, std::int64_t modifiedNanoseconds) {
    char text[64];
    std::snprintf(text, sizeof text, "\"%llx-%llx-%llx\"", static_cast<unsigned long long>(size),
                  static_cast<unsigned long long>(modifiedSeconds),
                  static_cast<unsigned long long>(modifiedNanoseconds));
    return text;
}

std::string HttpDate(std::int64_t secondsSinceEpoch) {
    // The names are English whatever the locale; the calendar is worked out here, the same on every system.
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
                             std::int64_t modifiedSeconds) {
    FileAnswer answer;
    answer.length = size;
    // A tag says more than a date, so a client that sent both is answered by the tag alone.
    const std::optional<std::int64_t> since =
        request.ifModifiedSince && !request.ifNoneMatch ? ParseHttpDate(*request.ifModifiedSince) : std::nullopt;
    if ((request.ifNoneMatch && AnyTagMatches(*request.ifNoneMatch, tag)) || (since && modifiedSeconds <= *since)) {
        answer.status = 304;
        answer.length = 0;
        return answer;
    }
    if (!request.range || (request.ifRange && !RangeStillHolds(*request.ifRange, tag, HttpDate(modifiedSeconds))))
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
