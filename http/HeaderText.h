// Reading header values: what surrounds a value's text is spaces and tabs.
#pragma once

#include <string_view>

namespace tarnvale {

// text without the spaces and tabs at either end.
inline std::string_view TrimmedHeaderText(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace tarnvale
