// Answering subtitle requests: the program by PID, its subtitle file by number, refused plainly when it is not
// text or too long to be subtitles.
#include "http/SubtitleRoute.h"

#include "core/ParseInteger.h"
#include "http/TextEscapes.h"

#include <optional>

namespace tarnvale {

namespace {

HttpRouteReply Refusal(unsigned status, const std::string& reason) {
    HttpRouteReply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", "text/plain; charset=utf-8"}, {"Cache-Control", "no-cache"}};
    reply.body = reason + "\n";
    reply.logNote = reason;
    return reply;
}

// A number written one way only, as PIDs are: "+1" or "01" would be second names of the same file.
template <typename Integer>
std::optional<Integer> WellNamed(std::string_view text) {
    const std::optional<Integer> value = ParseInteger<Integer>(text);
    if (!value || std::to_string(*value) != text)
        return std::nullopt;
    return value;
}

struct Asked {
    std::int32_t pid = 0;
    std::size_t number = 0;
    SubtitleFormat format = SubtitleFormat::Srt;
};

// "PID/N.vtt" or "PID/N.srt".
std::optional<Asked> ParseAsked(std::string_view rest) {
    const std::size_t slash = rest.find('/');
    const std::size_t dot = rest.rfind('.');
    if (slash == std::string_view::npos || dot == std::string_view::npos || dot < slash)
        return std::nullopt;
    const auto pid = WellNamed<std::int32_t>(rest.substr(0, slash));
    const auto number = WellNamed<std::uint32_t>(rest.substr(slash + 1, dot - slash - 1));
    const std::string_view extension = rest.substr(dot + 1);
    if (!pid || !number || (extension != "vtt" && extension != "srt"))
        return std::nullopt;
    return Asked{*pid, *number, extension == "vtt" ? SubtitleFormat::Vtt : SubtitleFormat::Srt};
}

HttpRouteReply Answer(const CMediaInfoList& catalogue, const std::function<void(const std::string&)>& log,
                      const HttpRouteRequest& request) {
    const std::string_view rest = request.path.substr(kSubtitlesPrefix.size());
    const std::optional<Asked> asked = ParseAsked(rest);
    const std::optional<CMediaInfo> program = asked ? catalogue.FindByPid(asked->pid) : std::nullopt;
    if (!program)
        return Refusal(404, "No such subtitles: " + OneLine(rest) + ".");
    const std::vector<SubtitleFile> files = SubtitleFinder().Find(program->m_szFile);
    // A .vtt file has no SubRip form to give a TV.
    if (asked->number >= files.size() ||
        (asked->format == SubtitleFormat::Srt && files[asked->number].name.format != SubtitleFormat::Srt))
        return Refusal(404, "No such subtitles: " + OneLine(rest) + ".");
    const SubtitleFile& file = files[asked->number];
    SubtitleRead read = ReadSubtitleAsWebVtt(file);
    if (read.unreadable)
        return Refusal(404, "The subtitle file " + OneLine(FileNameOf(file.path)) + " cannot be read.");
    if (read.problem != SubtitleProblem::None) {
        const std::string reason = "The subtitle file " + OneLine(FileNameOf(file.path)) + " is not served: it is " +
                                   SubtitleProblemText(read.problem) + ".";
        if (log)
            log(OneLine(reason));
        return Refusal(422, reason);
    }
    HttpRouteReply reply;
    reply.headers = {{"Cache-Control", "no-cache"}, {"Access-Control-Allow-Origin", "*"}};
    if (asked->format == SubtitleFormat::Vtt) {
        reply.headers.push_back({"Content-Type", "text/vtt; charset=utf-8"});
        reply.body = std::move(read.vtt.text);
        if (read.vtt.skipped != 0)
            reply.logNote = std::to_string(read.vtt.cues) + " cues, " + std::to_string(read.vtt.skipped) +
                            " left out for their timings";
    } else {
        // As it is: TVs read the encodings their users' files come in.
        reply.headers.push_back({"Content-Type", "text/srt"});
        reply.body.assign(read.bytes.begin(), read.bytes.end());
    }
    return reply;
}

} // namespace

std::string SubtitleUrl(std::string_view origin, std::int32_t pid, std::size_t number, SubtitleFormat format) {
    return std::string(origin) + std::string(kSubtitlesPrefix) + std::to_string(pid) + "/" + std::to_string(number) +
           (format == SubtitleFormat::Vtt ? ".vtt" : ".srt");
}

std::string CaptionUrl(std::string_view origin, std::int32_t pid, const std::string& path) {
    const std::vector<SubtitleFile> files = SubtitleFinder().Find(path);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].name.format == SubtitleFormat::Srt)
            return SubtitleUrl(origin, pid, i, SubtitleFormat::Srt);
    }
    return {};
}

HttpRoute SubtitleRoute(const CMediaInfoList& catalogue, std::function<void(const std::string&)> log) {
    HttpRoute route;
    route.prefix = std::string(kSubtitlesPrefix);
    route.methods = {"GET", "HEAD"};
    route.answer = [&catalogue, log = std::move(log)](const HttpRouteRequest& request) {
        return Answer(catalogue, log, request);
    };
    return route;
}

} // namespace tarnvale
