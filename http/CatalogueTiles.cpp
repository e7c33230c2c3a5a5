// Writing the grid's tiles. Pictures load lazily, so a page of a thousand programs asks only for those on screen.
#include "http/CatalogueTiles.h"

#include "core/MediaType.h"
#include "http/SubtitleRoute.h"
#include "http/TextEscapes.h"
#include "platform/Text.h"

namespace tarnvale {

std::string CatalogueTiles(const std::vector<ShownProgram>& programs, std::string_view origin) {
    std::string tiles;
    for (const auto& [program, size, extras, hls] : programs) {
        const std::string link = HtmlEscaped(ProgramUrl(origin, program.m_nPID));
        const std::string name = HtmlEscaped(FileNameOf(platform::SystemTextToUtf8(program.Path())));
        const bool audio = program.m_nType == MEDIA_MP3;
        tiles += "<li class=\"tile\"><a class=\"cover\" href=\"" + link + "\" data-kind=\"" +
                 (audio ? "audio" : "video") + "\" tabindex=\"-1\">";
        if (extras.picture)
            tiles += "<img loading=\"lazy\" decoding=\"async\" alt=\"\" src=\"" +
                     HtmlEscaped(std::string(origin) + "/pictures/" + std::to_string(program.m_nPID) + ".jpg") + "\">";
        tiles += "</a><a class=\"title\" href=\"" + link + "\">" + name + "</a>";
        // The same button as the list's, so that a program plays from either view.
        if (!hls.empty())
            tiles += "<button class=\"play\" type=\"button\" data-type=\"" +
                     std::string(ContentTypeOf(program.m_nType)) + "\" data-file=\"" + link + "\" data-hls=\"" +
                     HtmlEscaped(std::string(origin) + hls) + "\">Play</button>";
        if (!extras.subtitles.empty()) {
            tiles += "<span class=\"subs\" data-file=\"" + link + "\">";
            for (const ShownSubtitle& subtitle : extras.subtitles)
                tiles += "<a href=\"" +
                         HtmlEscaped(SubtitleUrl(origin, program.m_nPID, subtitle.number, SubtitleFormat::Vtt)) +
                         "\" data-lang=\"" + HtmlEscaped(ShownLang(subtitle)) + "\">" +
                         HtmlEscaped(ShownLang(subtitle)) + "</a>";
            tiles += "</span>";
        }
        tiles += "</li>\n";
    }
    return tiles;
}

} // namespace tarnvale
