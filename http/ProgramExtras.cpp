// A program's picture and subtitles as the views write them.
#include "http/ProgramExtras.h"

#include "http/SubtitleRoute.h"
#include "http/TextEscapes.h"

namespace tarnvale {

std::vector<ShownSubtitle> ShownSubtitles(SubtitleFinder& finder, const std::string& path) {
    std::vector<ShownSubtitle> shown;
    const std::vector<SubtitleFile> files = finder.Find(path);
    for (std::size_t i = 0; i < files.size(); ++i)
        shown.push_back({files[i].name.lang, i});
    return shown;
}

std::string ShownLang(const ShownSubtitle& subtitle) {
    return subtitle.lang.empty() ? "und" : subtitle.lang;
}

std::string ExtrasJson(const ProgramExtras& extras, std::string_view origin, std::int32_t pid) {
    std::string json;
    if (extras.picture)
        json += ",\"picture\":" + JsonQuoted(std::string(origin) + "/pictures/" + std::to_string(pid) + ".jpg");
    if (!extras.subtitles.empty()) {
        json += ",\"subtitles\":[";
        for (const ShownSubtitle& subtitle : extras.subtitles) {
            if (json.back() != '[')
                json += ',';
            json += "{\"lang\":" + JsonQuoted(ShownLang(subtitle)) +
                    ",\"url\":" + JsonQuoted(SubtitleUrl(origin, pid, subtitle.number, SubtitleFormat::Vtt)) + "}";
        }
        json += "]";
    }
    return json;
}

} // namespace tarnvale
