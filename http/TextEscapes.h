// Text made safe for each place the HTTP side writes it: HTML text and attributes, JSON strings, playlist and log
// lines. Names are bytes from the catalogue; what is not UTF-8 among them becomes U+FFFD, so every text
// served is valid UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tarnvale {

// text with every byte that does not begin or continue a well-formed UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// For HTML text and quoted attribute values: & < > " ' as character references.
std::string HtmlEscaped(std::string_view text);

// For XML text and attribute values: OneLine's text with HtmlEscaped's references, so that no control character
// (which XML forbids) reaches a document.
std::string XmlEscaped(std::string_view text);

// A JSON string literal, quotes included.
std::string JsonQuoted(std::string_view text);

// One line of a playlist or a log: line breaks and other control characters become spaces.
std::string OneLine(std::string_view text);

// The last part of a path, after its last '/' or '\' (catalogues written on Windows use the latter).
std::string_view FileNameOf(std::string_view path);

} // namespace tarnvale
