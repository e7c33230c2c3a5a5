// Subtitle files as bytes: their text made UTF-8 whatever encoding a user saved them in, and SubRip cues rewritten
// as WebVTT, the one form browsers take for a <track>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarnvale {

// A film's subtitles run to a few hundred kilobytes; anything far beyond is not a subtitle file, and reading it
// whole for every request would cost the streams their memory.
inline constexpr std::size_t kMaxSubtitleBytes = 4 * 1024 * 1024;

enum class SubtitleProblem {
    None,
    TooLong,   // over kMaxSubtitleBytes
    NotText,   // NULs or control characters: a binary file under a subtitle's name
    NotWebVtt, // a .vtt file that does not begin as WebVTT must
};

// What the bytes were read as.
enum class SubtitleEncoding { Utf8, Utf16, Windows1252 };

struct SubtitleText {
    SubtitleProblem problem = SubtitleProblem::None;
    SubtitleEncoding encoding = SubtitleEncoding::Utf8;
    std::string text; // UTF-8, without a byte order mark
};

// The bytes as UTF-8 text: UTF-8 with or without its byte order mark, UTF-16 with one (what Windows' editors
// call "Unicode"), and otherwise Windows-1252, the legacy encoding most such files were saved in; every byte
// string is valid in it, so a file is refused only for its size or for control characters no text holds.
SubtitleText DecodeSubtitleBytes(std::span<const std::uint8_t> bytes);

struct WebVtt {
    std::string text;
    std::size_t cues = 0;
    // Blocks without a readable timing, or whose end is not after their start: left out, not guessed at.
    std::size_t skipped = 0;
};

// SubRip text (UTF-8, any line ends) as a WebVTT document. The styling SubRip files carry in practice is kept
// where WebVTT has it (<i>, <b>, <u>) and dropped where it has not (<font>, {\an8}); any other '<', '&' and '>'
// become text, so no file can put markup of its own into a page's track.
WebVtt SrtToWebVtt(std::string_view srt);

// The UTF-8 text of a .vtt file, checked to begin as a WebVTT document does; its cues are left as their author
// wrote them.
bool IsWebVtt(std::string_view text);

// One text line of a cue made safe for WebVTT (see SrtToWebVtt).
std::string WebVttCueLine(std::string_view line);

} // namespace tarnvale
