// The conversions' answers: the URL read strictly, the program found by PID and its file's identity compared with
// the URL's before anything is converted.
#include "convert/ConvertedAnswers.h"

#include "convert/PlayerScript.h"
#include "core/MediaType.h"
#include "core/ParseInteger.h"
#include "http/FileAnswer.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

namespace tarnvale {
namespace {

// What a converted URL names.
struct ConvertedUrl {
    std::int32_t pid = 0;
    std::string identity;
    std::optional<std::uint32_t> segment; // none: the playlist
    bool stream = false;                  // the whole program for TVs
};

// A number is named one way only ("05" or "+5" would be second URLs of the same thing, and a second cache entry).
template <typename T>
std::optional<T> CanonicalNumber(std::string_view text) {
    const std::optional<T> value = ParseInteger<T>(text, 0);
    if (!value || std::to_string(*value) != text)
        return std::nullopt;
    return value;
}

std::optional<ConvertedUrl> ReadUrl(std::string_view path) {
    if (!path.starts_with(kConvertedPrefix))
        return std::nullopt;
    path.remove_prefix(std::string_view(kConvertedPrefix).size());
    const std::size_t slash = path.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    ConvertedUrl url;
    const std::optional<std::int32_t> pid = CanonicalNumber<std::int32_t>(path.substr(0, slash));
    if (!pid)
        return std::nullopt;
    url.pid = *pid;
    path.remove_prefix(slash + 1);
    const std::size_t next = path.find('/');
    if (next == std::string_view::npos) {
        if (!path.ends_with(".ts"))
            return std::nullopt;
        url.identity = path.substr(0, path.size() - 3);
        url.stream = true;
        return url;
    }
    url.identity = path.substr(0, next);
    const std::string_view name = path.substr(next + 1);
    if (name == "index.m3u8")
        return url;
    if (!name.ends_with(".ts"))
        return std::nullopt;
    url.segment = CanonicalNumber<std::uint32_t>(name.substr(0, name.size() - 3));
    if (!url.segment)
        return std::nullopt;
    return url;
}

HttpRouteReply Text(unsigned status, const std::string& text, const std::string& logNote = {}) {
    HttpRouteReply reply;
    reply.status = status;
    reply.body = text + "\n";
    reply.headers = {{"Content-Type", "text/plain; charset=utf-8"}, {"Cache-Control", "no-store"}};
    reply.logNote = logNote;
    return reply;
}

// What the URL names never changes (the identity is the file's), so a front or a browser may keep it for good.
constexpr const char* kKeepForGood = "public, max-age=31536000, immutable";

HttpRouteReply AnswerSegment(ConversionService& service, const ConversionSource& source, std::uint32_t k,
                             const HttpRouteRequest& request) {
    const SegmentResult result = service.Segment(source, k);
    switch (result.kind) {
    case SegmentResult::Kind::PastEnd:
        return Text(404, "The program has no segment " + std::to_string(k) + ": " + result.reason + ".");
    case SegmentResult::Kind::Busy: {
        HttpRouteReply reply =
            Text(503, "The server converts as many programs as it can; ask again shortly.", "busy: " + result.reason);
        // A player retries by itself; the time is about one segment's conversion.
        reply.headers.emplace_back("Retry-After", "5");
        return reply;
    }
    case SegmentResult::Kind::Failed:
        return Text(500, "The program cannot be converted here: " + result.reason + ".", result.reason);
    case SegmentResult::Kind::Ready:
        break;
    }
    const platform::FileStatus file = platform::LookAtFile(result.file);
    if (file.state != platform::FileStatus::State::Found)
        return Text(500, "The converted segment went before it could be sent; ask again.");
    const std::string tag = "\"" + source.identity + "-" + std::to_string(k) + "-" + std::to_string(file.size) + "\"";
    const FileAnswer answer = AnswerFileRequest(
        {request.header("Range"), request.header("If-Range"), request.header("If-None-Match"), std::nullopt}, file.size,
        tag, 0);
    HttpRouteReply reply;
    reply.status = answer.status;
    reply.headers = {
        {"Content-Type", "video/mp2t"}, {"Cache-Control", kKeepForGood}, {"ETag", tag}, {"Accept-Ranges", "bytes"}};
    if (answer.status == 206)
        reply.headers.emplace_back("Content-Range", "bytes " + std::to_string(answer.first) + "-" +
                                                        std::to_string(answer.first + answer.length - 1) + "/" +
                                                        std::to_string(file.size));
    if (answer.status == 416)
        reply.headers.emplace_back("Content-Range", "bytes */" + std::to_string(file.size));
    if (answer.status == 200 || answer.status == 206) {
        reply.file = result.file;
        reply.fileOffset = answer.first;
        reply.fileLength = answer.length;
    }
    return reply;
}

// The stream a TV plays: segment after segment from the one its seek falls in, each made (or taken from the cache)
// as the TV gets to it, so that a TV that stops reading stops the conversion too.
struct TvStream {
    ConversionService& service;
    ConversionSource source;
    std::uint32_t next = 0;
    std::uint32_t end = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};

    long Read(char* room, std::size_t size) {
        for (;;) {
            if (!file) {
                if (next >= end)
                    return 0;
                const SegmentResult result = service.Segment(source, next);
                if (result.kind == SegmentResult::Kind::PastEnd)
                    return 0;
                if (result.kind != SegmentResult::Kind::Ready)
                    return -1;
                file.reset(std::fopen(result.file.c_str(), "rb"));
                if (!file)
                    return -1;
            }
            const std::size_t got = std::fread(room, 1, size, file.get());
            if (got > 0)
                return static_cast<long>(got);
            file.reset();
            ++next;
        }
    }
};

HttpRouteReply AnswerTvStream(ConversionService& service, const ConversionSource& source,
                              const HttpRouteRequest& request) {
    std::string error;
    const std::optional<SourceStreams> streams = service.Probe(source, error);
    if (!streams)
        return Text(500, "PID " + std::to_string(source.pid) + " cannot be converted: " + error + ".", error);
    const std::uint64_t duration = PlayedMilliseconds(streams->durationMs);
    const std::uint32_t count = SegmentCount(streams->durationMs);
    auto stream = std::make_shared<TvStream>(TvStream{service, source, 0, count});
    HttpRouteReply reply;
    reply.headers = {{"Content-Type", "video/mpeg"},
                     {"contentFeatures.dlna.org", kConvertedFeatures},
                     {"transferMode.dlna.org", "Streaming"},
                     {"Cache-Control", "no-store"}};
    if (const std::optional<std::string_view> asked = request.header("TimeSeekRange.dlna.org")) {
        const std::optional<NptRange> range = ReadNptRange(*asked);
        if (!range)
            return Text(400, "TimeSeekRange.dlna.org must be npt=START-[END].");
        if (range->startMs >= duration) {
            HttpRouteReply past = Text(416, "The program is " + NptTime(duration) + " s long.");
            past.headers.emplace_back("TimeSeekRange.dlna.org", "npt=*/" + NptTime(duration));
            return past;
        }
        // Played from the start of the segment the time falls in: a key frame, where audio and video begin together.
        stream->next = static_cast<std::uint32_t>(range->startMs / kSegmentMilliseconds);
        if (range->endMs)
            stream->end = std::min<std::uint32_t>(
                count, static_cast<std::uint32_t>((*range->endMs + kSegmentMilliseconds - 1) / kSegmentMilliseconds));
        stream->end = std::max(stream->end, stream->next + 1);
        const std::uint64_t first = std::uint64_t{stream->next} * kSegmentMilliseconds;
        const std::uint64_t last = std::min<std::uint64_t>(duration, std::uint64_t{stream->end} * kSegmentMilliseconds);
        reply.headers.emplace_back("TimeSeekRange.dlna.org",
                                   "npt=" + NptTime(first) + "-" + NptTime(last) + "/" + NptTime(duration));
    }
    reply.stream = [stream](std::uint64_t, char* room, std::size_t size) { return stream->Read(room, size); };
    return reply;
}

HttpRouteReply Answer(ConversionService& service, const CMediaInfoList& catalogue, const HttpRouteRequest& request) {
    const std::optional<ConvertedUrl> url = ReadUrl(request.path);
    if (!url)
        return Text(404, "Nothing here: converted streams are /converted/PID/IDENTITY/index.m3u8 as /programs.json "
                         "names them.");
    const std::optional<CMediaInfo> program = catalogue.FindByPid(url->pid);
    if (!program || !IsConvertedType(program->m_nType))
        return Text(404, "No video program has PID " + std::to_string(url->pid) + ".");
    const std::string path(program->Path());
    const platform::FileStatus status = platform::LookAtFile(path);
    if (status.state != platform::FileStatus::State::Found || status.isFolder)
        return Text(404, "The file of PID " + std::to_string(url->pid) + " cannot be read.");
    // Another file now, or the same one changed: what the URL names is gone. /programs.json names the new one.
    const ConversionSource source{url->pid, path, FileIdentity(status)};
    if (source.identity != url->identity)
        return Text(404, "The file of PID " + std::to_string(url->pid) +
                             " has changed since this address was given; /programs.json gives the new one.");
    if (url->segment)
        return AnswerSegment(service, source, *url->segment, request);
    if (url->stream)
        return AnswerTvStream(service, source, request);
    std::string error;
    const std::optional<SourceStreams> streams = service.Probe(source, error);
    if (!streams)
        return Text(500, "PID " + std::to_string(url->pid) + " cannot be converted: " + error + ".", error);
    HttpRouteReply reply;
    reply.body = VodPlaylist(streams->durationMs);
    reply.headers = {{"Content-Type", "application/vnd.apple.mpegurl"}, {"Cache-Control", kKeepForGood}};
    return reply;
}

} // namespace

bool IsConvertedType(std::int32_t type) {
    return type == MEDIA_MPEG1 || type == MEDIA_MPEG2 || type == MEDIA_AVI;
}

std::string ConvertedPlaylistPath(const CMediaInfo& program) {
    if (!IsConvertedType(program.m_nType))
        return {};
    const platform::FileStatus status = platform::LookAtFile(std::string(program.Path()));
    if (status.state != platform::FileStatus::State::Found || status.isFolder)
        return {};
    return kConvertedPrefix + std::to_string(program.m_nPID) + "/" + FileIdentity(status) + "/index.m3u8";
}

std::string ConvertedStreamPath(const CMediaInfo& program) {
    const std::string playlist = ConvertedPlaylistPath(program);
    return playlist.empty() ? playlist
                            : playlist.substr(0, playlist.size() - std::string_view("/index.m3u8").size()) + ".ts";
}

HttpRoute PlayerScriptRoute() {
    HttpRoute route;
    route.prefix = kPlayerScriptPath;
    route.methods = {"GET", "HEAD"};
    route.answer = [](const HttpRouteRequest& request) {
        if (request.path != kPlayerScriptPath)
            return Text(404, "Nothing here.");
        HttpRouteReply reply;
        reply.body = kPlayerScript;
        // The version is pinned in the build: a day's keeping is safe, and a new server brings the new one.
        reply.headers = {{"Content-Type", "text/javascript; charset=utf-8"},
                         {"Cache-Control", "public, max-age=86400"}};
        return reply;
    };
    return route;
}

HttpRoute ConvertedRoute(ConversionService& service, const CMediaInfoList& catalogue) {
    HttpRoute route;
    route.prefix = kConvertedPrefix;
    route.methods = {"GET", "HEAD"};
    route.answer = [&service, &catalogue](const HttpRouteRequest& request) {
        return Answer(service, catalogue, request);
    };
    return route;
}

} // namespace tarnvale
