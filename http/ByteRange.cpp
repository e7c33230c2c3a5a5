// The Range header reader: strict about the characters, generous about the numbers (a position too large for 64
// bits is simply past the end).
#include "http/ByteRange.h"

#include "http/HeaderText.h"
#include "platform/Text.h"

#include <algorithm>
#include <limits>

namespace tarnvale {

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

// The value of a run of one or more decimal digits, saturated at the largest 64-bit value; false for anything else.
bool ReadDigits(std::string_view text, std::uint64_t& value) {
    if (text.empty())
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return true;
}

bool StartsWithUnit(std::string_view text) {
    constexpr std::string_view unit = "bytes=";
    if (text.size() < unit.size())
        return false;
    for (std::size_t i = 0; i < unit.size(); ++i) {
        const char c = text[i];
        if (platform::LowerAscii(c) != unit[i])
            return false;
    }
    return true;
}

} // namespace

RangeAnswer AnswerRange(std::string_view header, std::uint64_t size) {
    const RangeAnswer whole;
    RangeAnswer unsatisfiable;
    unsatisfiable.kind = RangeAnswer::Kind::Unsatisfiable;

    header = TrimmedHeaderText(header);
    if (!StartsWithUnit(header))
        return whole;
    const std::string_view rangeText = TrimmedHeaderText(header.substr(6));
    const std::size_t dash = rangeText.find('-');
    if (dash == std::string_view::npos || rangeText.find(',') != std::string_view::npos)
        return whole;
    const std::string_view from = rangeText.substr(0, dash);
    const std::string_view to = rangeText.substr(dash + 1);

    RangeAnswer part;
    part.kind = RangeAnswer::Kind::Part;
    if (from.empty()) {
        std::uint64_t suffix = 0;
        if (!ReadDigits(to, suffix))
            return whole;
        if (suffix == 0 || size == 0)
            return unsatisfiable;
        part.length = std::min(suffix, size);
        part.first = size - part.length;
        return part;
    }
    std::uint64_t first = 0;
    std::uint64_t last = kMax;
    if (!ReadDigits(from, first) || (!to.empty() && !ReadDigits(to, last)))
        return whole;
    if (last < first)
        return whole;
    if (first >= size)
        return unsatisfiable;
    part.first = first;
    part.length = std::min(last, size - 1) - first + 1;
    return part;
}

} // namespace tarnvale
