// Whole numbers that people type (command-line options, dialog fields), read strictly and checked against a range.
#pragma once

#include <charconv>
#include <concepts>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

namespace tarnvale {

// The decimal whole number that the whole of text spells (an optional sign, then digits, nothing else), when it
// lies from min to max; nothing otherwise, also when it does not fit T at all.
template <std::integral T>
std::optional<T> ParseInteger(std::string_view text, T min = std::numeric_limits<T>::min(),
                              T max = std::numeric_limits<T>::max()) {
    // The reader takes a minus sign but no plus, and must not find a second sign behind one taken off here.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    T value{};
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value);
    if (text.empty() || failure != std::errc() || stop != end || value < min || value > max)
        return std::nullopt;
    return value;
}

} // namespace tarnvale
