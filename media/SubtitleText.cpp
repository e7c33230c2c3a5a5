// Decoding subtitle bytes and rewriting SubRip cues as WebVTT.
#include "media/SubtitleText.h"

#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace tarnvale {

namespace {

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Whether bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length;
        std::uint8_t low = 0x80, high = 0xBF; // the range of the byte after the lead
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (length > bytes.size() - i || bytes[i + 1] < low || bytes[i + 1] > high)
            return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

// Windows-1252's 0x80..0x9F; the five bytes it leaves undefined stay the C1 code points they name, as browsers
// read them.
constexpr std::array<std::uint16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string FromWindows1252(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const std::uint8_t byte : bytes)
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
    return out;
}

// UTF-16 after its byte order mark; a lone surrogate becomes U+FFFD and an odd last byte is dropped.
std::string FromUtf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bigEndian ? bytes[at] << 8 | bytes[at + 1] : bytes[at + 1] << 8 | bytes[at]);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const std::uint32_t first = unit(i);
        if (first >= 0xD800 && first <= 0xDBFF && i + 3 < bytes.size()) {
            const std::uint32_t second = unit(i + 2);
            if (second >= 0xDC00 && second <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, first >= 0xD800 && first <= 0xDFFF ? 0xFFFD : first);
    }
    return out;
}

// Text holds no NUL and no control characters but tab, line ends, form feed and the end-of-file mark old DOS
// editors left; a binary file holds plenty of them.
bool LooksLikeText(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\x1a')
            return false;
    }
    return true;
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

// A time as SubRip writes it, "HH:MM:SS,mmm" (hours may be left out or have any number of digits; '.' is taken
// for ','; fewer digits of the milliseconds are a fraction), in milliseconds.
std::optional<std::uint64_t> ParseSrtTime(std::string_view text) {
    std::array<std::uint64_t, 3> fields{};
    std::size_t count = 0;
    std::size_t at = 0;
    for (;;) {
        const std::size_t start = at;
        std::uint64_t value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 6)
            value = value * 10 + static_cast<std::uint64_t>(text[at++] - '0');
        if (at == start || count == fields.size())
            return std::nullopt;
        fields[count++] = value;
        if (at < text.size() && text[at] == ':') {
            ++at;
            continue;
        }
        break;
    }
    if (count < 2 || at == text.size() || (text[at] != ',' && text[at] != '.'))
        return std::nullopt;
    ++at;
    std::uint64_t milliseconds = 0;
    std::size_t digits = 0;
    for (; at < text.size() && digits < 3; ++at, ++digits) {
        if (text[at] < '0' || text[at] > '9')
            return std::nullopt;
        milliseconds = milliseconds * 10 + static_cast<std::uint64_t>(text[at] - '0');
    }
    if (digits == 0 || at != text.size())
        return std::nullopt;
    for (; digits < 3; ++digits)
        milliseconds *= 10;
    const std::uint64_t hours = count == 3 ? fields[0] : 0;
    const std::uint64_t minutes = fields[count - 2];
    const std::uint64_t seconds = fields[count - 1];
    if (minutes > 59 || seconds > 59)
        return std::nullopt;
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\x1a'))
        text.remove_suffix(1);
    return text;
}

struct Timing {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// "start --> end", and whatever SubRip writers put after it (positions), which WebVTT reads otherwise: dropped.
std::optional<Timing> ParseTimingLine(std::string_view line) {
    const std::size_t arrow = line.find("-->");
    if (arrow == std::string_view::npos)
        return std::nullopt;
    std::string_view after = Trimmed(line.substr(arrow + 3));
    after = after.substr(0, after.find_first_of(" \t"));
    const auto start = ParseSrtTime(Trimmed(line.substr(0, arrow)));
    const auto end = ParseSrtTime(after);
    if (!start || !end)
        return std::nullopt;
    return Timing{*start, *end};
}

std::string VttTime(std::uint64_t milliseconds) {
    const std::uint64_t hours = milliseconds / 3'600'000;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu", static_cast<unsigned long long>(hours),
                  static_cast<unsigned long long>(milliseconds / 60'000 % 60),
                  static_cast<unsigned long long>(milliseconds / 1000 % 60),
                  static_cast<unsigned long long>(milliseconds % 1000));
    return text;
}

// The tag at the start of text ("<...>"), when it is one: its length, and the WebVTT tag kept for it (empty:
// dropped).
std::optional<std::pair<std::size_t, std::string>> CueTag(std::string_view text) {
    const std::size_t close = text.find('>');
    if (close == std::string_view::npos || text.substr(1, close - 1).find('<') != std::string_view::npos)
        return std::nullopt;
    std::string_view name = text.substr(1, close - 1);
    const bool ending = !name.empty() && name.front() == '/';
    if (ending)
        name.remove_prefix(1);
    if (name.empty() || !((name.front() >= 'a' && name.front() <= 'z') || (name.front() >= 'A' && name.front() <= 'Z')))
        return std::nullopt;
    if (name.size() == 1) {
        const char lower = platform::LowerAscii(name.front());
        if (lower == 'i' || lower == 'b' || lower == 'u')
            return std::pair{close + 1, std::string(ending ? "</" : "<") + lower + ">"};
    }
    return std::pair{close + 1, std::string()};
}

} // namespace

SubtitleText DecodeSubtitleBytes(std::span<const std::uint8_t> bytes) {
    SubtitleText result;
    if (bytes.size() > kMaxSubtitleBytes) {
        result.problem = SubtitleProblem::TooLong;
        return result;
    }
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        bytes = bytes.subspan(3);
    } else if (StartsWith(bytes, {0xFF, 0xFE}) || StartsWith(bytes, {0xFE, 0xFF})) {
        result.encoding = SubtitleEncoding::Utf16;
        result.text = FromUtf16(bytes.subspan(2), bytes[0] == 0xFE);
    }
    if (result.encoding != SubtitleEncoding::Utf16) {
        if (IsUtf8(bytes)) {
            result.text.assign(bytes.begin(), bytes.end());
        } else {
            result.encoding = SubtitleEncoding::Windows1252;
            result.text = FromWindows1252(bytes);
        }
    }
    if (!LooksLikeText(result.text)) {
        result.problem = SubtitleProblem::NotText;
        result.text.clear();
    }
    return result;
}

std::string WebVttCueLine(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (c == '<') {
            if (const auto tag = CueTag(line.substr(i))) {
                out += tag->second;
                i += tag->first;
                continue;
            }
            out += "&lt;";
        } else if (c == '{' && i + 1 < line.size() && line[i + 1] == '\\' &&
                   line.find('}', i) != std::string_view::npos) {
            // A styling override of the ASS kind ({\an8}, {\i1}) that SubRip writers let through.
            i = line.find('}', i) + 1;
            continue;
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out += c;
        }
        ++i;
    }
    return out;
}

WebVtt SrtToWebVtt(std::string_view srt) {
    WebVtt vtt;
    vtt.text = "WEBVTT\n";
    std::vector<std::string_view> block;
    const auto finish = [&] {
        if (block.empty())
            return;
        // A block is an optional number, the timing, then its text; a timing further down belongs to no cue.
        std::size_t timingAt = 0;
        std::optional<Timing> timing = ParseTimingLine(block[0]);
        if (!timing && block.size() > 1) {
            timingAt = 1;
            timing = ParseTimingLine(block[1]);
        }
        std::string text;
        for (std::size_t k = timingAt + 1; k < block.size(); ++k) {
            std::string line = WebVttCueLine(block[k]);
            if (Trimmed(line).empty())
                continue;
            text += line + "\n";
        }
        if (!timing || timing->end <= timing->start) {
            ++vtt.skipped;
        } else if (!text.empty()) {
            vtt.text += "\n" + VttTime(timing->start) + " --> " + VttTime(timing->end) + "\n" + text;
            ++vtt.cues;
        }
        block.clear();
    };
    while (!srt.empty()) {
        const std::size_t end = srt.find_first_of("\r\n");
        std::string_view line = srt.substr(0, end);
        if (end == std::string_view::npos)
            srt = {};
        else
            srt.remove_prefix(end + (srt.substr(end, 2) == "\r\n" ? 2 : 1));
        if (Trimmed(line).empty())
            finish();
        else
            block.push_back(line);
    }
    finish();
    return vtt;
}

bool IsWebVtt(std::string_view text) {
    constexpr std::string_view kSignature = "WEBVTT";
    if (!text.starts_with(kSignature))
        return false;
    return text.size() == kSignature.size() || text[kSignature.size()] == ' ' || text[kSignature.size()] == '\t' ||
           text[kSignature.size()] == '\n' || text[kSignature.size()] == '\r';
}

} // namespace tarnvale
