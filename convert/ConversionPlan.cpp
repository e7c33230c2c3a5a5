// The plan of a conversion: fixed segments, their playlist and the converter's arguments.
#include "convert/ConversionPlan.h"

#include "core/ParseInteger.h"

#include <charconv>
#include <cstdio>

namespace tarnvale {
namespace {

std::string Seconds(std::uint64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%03u", static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned>(ms % 1000));
    return text;
}

// "60.040000" as milliseconds, rounded down; nothing for anything else ("N/A", a sign, letters).
std::optional<std::uint64_t> Milliseconds(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::optional<std::uint64_t> seconds = ParseInteger<std::uint64_t>(whole, 0, 1'000'000'000);
    if (!seconds || whole.empty() || whole.front() == '+')
        return std::nullopt;
    std::uint64_t ms = *seconds * 1000;
    if (dot != std::string_view::npos) {
        std::string_view fraction = text.substr(dot + 1);
        std::uint64_t scale = 100;
        for (char c : fraction) {
            if (c < '0' || c > '9')
                return std::nullopt;
            ms += static_cast<std::uint64_t>(c - '0') * scale;
            scale /= 10;
        }
    }
    return ms;
}

} // namespace

std::uint64_t PlayedMilliseconds(std::uint64_t durationMs, std::uint32_t segmentMs) {
    const std::uint64_t tail = durationMs % segmentMs;
    return durationMs > segmentMs && tail < kShortestLastSegmentMs ? durationMs - tail : durationMs;
}

std::uint32_t SegmentCount(std::uint64_t durationMs, std::uint32_t segmentMs) {
    return static_cast<std::uint32_t>((PlayedMilliseconds(durationMs, segmentMs) + segmentMs - 1) / segmentMs);
}

std::string VodPlaylist(std::uint64_t durationMs, std::uint32_t segmentMs) {
    std::string text = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-PLAYLIST-TYPE:VOD\n#EXT-X-INDEPENDENT-SEGMENTS\n"
                       "#EXT-X-TARGETDURATION:" +
                       std::to_string((segmentMs + 999) / 1000) + "\n#EXT-X-MEDIA-SEQUENCE:0\n";
    durationMs = PlayedMilliseconds(durationMs, segmentMs);
    const std::uint32_t count = SegmentCount(durationMs, segmentMs);
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint64_t start = std::uint64_t{k} * segmentMs;
        const std::uint64_t length = std::min<std::uint64_t>(segmentMs, durationMs - start);
        text += "#EXTINF:" + Seconds(length) + ",\n" + std::to_string(k) + ".ts\n";
    }
    return text + "#EXT-X-ENDLIST\n";
}

std::vector<std::string> ProbeArguments(const std::string& prober, const std::string& path) {
    return {prober, "-v", "error", "-show_entries", "format=duration:stream=index,codec_type,codec_name,channels",
            "-of", "default=noprint_wrappers=1",
            // A name that starts with a dash or names a protocol ("http:") is still a file.
            "file:" + path};
}

std::optional<SourceStreams> ReadProbeReport(std::string_view report) {
    SourceStreams streams;
    bool durationSeen = false;
    // Each stream's fields follow its index; the format's duration comes last.
    std::string codec, type;
    int channels = 0;
    const auto endStream = [&] {
        if (type == "video" && streams.video.empty())
            streams.video = codec.empty() ? "unknown" : codec;
        if (type == "audio" && streams.audio.empty()) {
            streams.audio = codec.empty() ? "unknown" : codec;
            streams.audioChannels = channels;
        }
        codec.clear();
        type.clear();
        channels = 0;
    };
    while (!report.empty()) {
        const std::size_t end = report.find('\n');
        std::string_view line = report.substr(0, end);
        report = end == std::string_view::npos ? std::string_view() : report.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "index") {
            endStream();
        } else if (key == "codec_name") {
            codec = value;
        } else if (key == "codec_type") {
            type = value;
        } else if (key == "channels") {
            channels = ParseInteger<int>(value, 0, 64).value_or(0);
        } else if (key == "duration" && !durationSeen) {
            // The format's duration: the stream fields asked for carry none.
            endStream();
            if (const std::optional<std::uint64_t> ms = Milliseconds(value)) {
                streams.durationMs = *ms;
                durationSeen = true;
            }
        }
    }
    endStream();
    if (!durationSeen || streams.durationMs == 0 || streams.video.empty())
        return std::nullopt;
    return streams;
}

std::vector<std::string> ConverterArguments(const std::string& converter, const std::string& path,
                                            const SourceStreams& streams, std::uint32_t first,
                                            const std::string& folder, std::uint32_t segmentMs) {
    const std::string start = Seconds(std::uint64_t{first} * segmentMs);
    const std::string length = Seconds(segmentMs);
    std::vector<std::string> arguments = {converter, "-nostdin", "-hide_banner", "-loglevel", "error"};
    // Before the input: the demuxer seeks to the key frame before the start and the decoder drops frames up to it,
    // so that a run started here begins exactly on segment first's boundary.
    if (first > 0)
        arguments.insert(arguments.end(), {"-ss", start});
    arguments.insert(arguments.end(), {"-i", "file:" + path, "-map", "0:v:0", "-sn", "-dn"});
    // The frame size is kept (an odd one rounded down to the even size H.264 4:2:0 needs; the scaler keeps the
    // picture's aspect through its sample aspect ratio).
    arguments.insert(arguments.end(),
                     {"-vf", "scale=trunc(iw/2)*2:trunc(ih/2)*2,format=yuv420p", "-c:v", "libx264", "-preset",
                      "veryfast", "-profile:v", "main", "-force_key_frames", "expr:gte(t,n_forced*" + length + ")"});
    if (!streams.audio.empty()) {
        arguments.insert(arguments.end(), {"-map", "0:a:0"});
        if (streams.audio == "aac")
            arguments.insert(arguments.end(), {"-c:a", "copy"});
        else
            arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", streams.audioChannels > 2 ? "256k" : "128k"});
    }
    // Timestamps go on from the run's start, so that this run's segments follow another run's without a jump.
    arguments.insert(arguments.end(), {"-f", "segment", "-segment_format", "mpegts", "-segment_time", length,
                                       "-segment_start_number", std::to_string(first), "-initial_offset", start,
                                       "-segment_list", "pipe:1", "-segment_list_type", "csv", folder + "/%d.ts"});
    return arguments;
}

std::optional<std::uint32_t> FinishedSegment(std::string_view line) {
    const std::size_t end = line.find(".ts,");
    if (end == std::string_view::npos)
        return std::nullopt;
    return ParseInteger<std::uint32_t>(line.substr(0, end), 0, 10'000'000);
}

namespace {

// "83.5", "1:02:03.250" or "02:03": milliseconds, rounded down. Minutes and seconds after a colon stay under 60.
std::optional<std::uint64_t> NptMilliseconds(std::string_view text) {
    std::uint64_t ms = 0;
    int parts = 0;
    for (std::size_t colon; (colon = text.find(':')) != std::string_view::npos; text.remove_prefix(colon + 1)) {
        const std::optional<std::uint64_t> part = ParseInteger<std::uint64_t>(text.substr(0, colon), 0, 1'000'000);
        if (!part || colon == 0 || text[0] == '+' || ++parts > 2 || (parts == 2 && *part >= 60))
            return std::nullopt;
        ms = (ms + *part) * 60;
    }
    const std::optional<std::uint64_t> seconds = Milliseconds(text);
    if (!seconds || (parts > 0 && *seconds >= 60'000))
        return std::nullopt;
    return ms * 1000 + *seconds;
}

} // namespace

std::optional<NptRange> ReadNptRange(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.starts_with("npt="))
        return std::nullopt;
    text.remove_prefix(4);
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    NptRange range;
    const std::optional<std::uint64_t> start = NptMilliseconds(text.substr(0, dash));
    if (!start)
        return std::nullopt;
    range.startMs = *start;
    std::string_view end = text.substr(dash + 1);
    while (!end.empty() && end.back() == ' ')
        end.remove_suffix(1);
    if (!end.empty()) {
        range.endMs = NptMilliseconds(end);
        if (!range.endMs || *range.endMs < range.startMs)
            return std::nullopt;
    }
    return range;
}

std::string NptTime(std::uint64_t ms) {
    return Seconds(ms);
}

std::string FileIdentity(const platform::FileStatus& status) {
    // FNV-1a over the four numbers: short enough for a URL, and a change in any of them changes it.
    std::uint64_t hash = 14695981039346656037ULL;
    for (std::uint64_t value : {status.size, static_cast<std::uint64_t>(status.modified), status.volume, status.file})
        for (int byte = 0; byte < 8; ++byte) {
            hash ^= (value >> (8 * byte)) & 0xff;
            hash *= 1099511628211ULL;
        }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace tarnvale
