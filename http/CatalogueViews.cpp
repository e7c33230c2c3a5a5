// The playlist, the JSON list and the page, written from the catalogue records.
#include "http/CatalogueViews.h"

#include "core/MediaType.h"
#include "http/CataloguePageTemplate.h"
#include "http/CatalogueTiles.h"
#include "http/TextEscapes.h"
#include "platform/File.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace tarnvale {

namespace {

// text with every mark replaced.
std::string Replaced(std::string_view text, std::string_view mark, std::string_view with) {
    std::string replaced;
    for (std::size_t at; (at = text.find(mark)) != std::string_view::npos; text.remove_prefix(at + mark.size()))
        replaced.append(text.substr(0, at)).append(with);
    return replaced.append(text);
}

std::string SizeInMiB(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// The file name as UTF-8. The whole path is converted first: in a multibyte code page a backslash byte may be the
// second half of a character.
std::string ShownName(const CMediaInfo& program) {
    return std::string(FileNameOf(platform::SystemTextToUtf8(program.Path())));
}

} // namespace

std::vector<CMediaInfo> ReachablePrograms(const std::vector<CMediaInfo>& records) {
    std::vector<CMediaInfo> programs;
    std::unordered_set<std::int32_t> seen;
    for (const CMediaInfo& record : records) {
        if (seen.insert(record.m_nPID).second)
            programs.push_back(record);
    }
    return programs;
}

std::uint64_t SizeOnDisk(const std::string& path, std::int32_t catalogueSize) {
    const platform::FileStatus file = platform::LookAtFile(path);
    if (file.state == platform::FileStatus::State::Found && !file.isFolder)
        return file.size;
    return static_cast<std::uint64_t>(std::max(catalogueSize, 0));
}

std::vector<ShownProgram> WithSizesOnDisk(std::vector<CMediaInfo> programs) {
    std::vector<ShownProgram> shown;
    shown.reserve(programs.size());
    for (CMediaInfo& program : programs) {
        const std::uint64_t size = SizeOnDisk(program.m_szFile, program.m_nSize);
        shown.push_back({std::move(program), size, {}});
    }
    return shown;
}

void WithExtras(std::vector<ShownProgram>& programs, const std::function<bool(const CMediaInfo&)>& hasPicture) {
    SubtitleFinder finder;
    for (ShownProgram& shown : programs) {
        shown.extras.subtitles = ShownSubtitles(finder, shown.record.m_szFile);
        shown.extras.picture = hasPicture && hasPicture(shown.record);
    }
}

std::string ProgramUrl(std::string_view origin, std::int32_t pid) {
    return std::string(origin) + "/programs/" + std::to_string(pid);
}

std::string PlaylistText(const std::vector<ShownProgram>& programs, std::string_view origin) {
    std::string text = "#EXTM3U\n";
    for (const ShownProgram& shown : programs) {
        const CMediaInfo& program = shown.record;
        text += "#EXTINF:-1," + OneLine(ShownName(program)) + "\n";
        text += ProgramUrl(origin, program.m_nPID) + "\n";
    }
    return text;
}

std::string CatalogueJson(const std::vector<ShownProgram>& programs, std::string_view origin) {
    std::string json = "[";
    for (const auto& [program, size, extras, hls] : programs) {
        if (json.size() > 1)
            json += ',';
        json += "\n{\"pid\":" + std::to_string(program.m_nPID) +
                ",\"type\":" + JsonQuoted(MediaTypeText(program.m_nType)) + ",\"size\":" + std::to_string(size) +
                ",\"file\":" + JsonQuoted(ShownName(program)) +
                ",\"url\":" + JsonQuoted(ProgramUrl(origin, program.m_nPID));
        if (!hls.empty())
            json += ",\"hls\":" + JsonQuoted(std::string(origin) + hls);
        json += ExtrasJson(extras, origin, program.m_nPID) + "}";
    }
    return json + "\n]\n";
}

std::string CataloguePage(const std::vector<ShownProgram>& programs, std::string_view origin) {
    std::string rows;
    for (const auto& [program, size, extras, hls] : programs) {
        const std::string pid = std::to_string(program.m_nPID);
        const std::string link = ProgramUrl(origin, program.m_nPID);
        rows += "<tr><td class=\"num\">" + pid + "</td><td class=\"type\">" + MediaTypeText(program.m_nType) +
                "</td><td class=\"num\">" + SizeInMiB(size) + "</td><td class=\"name\"><a href=\"" + link + "\">" +
                HtmlEscaped(ShownName(program)) + "</a>";
        if (program.m_nType == MEDIA_MP3)
            rows += "<audio controls preload=\"metadata\" src=\"" + link + "\"></audio>";
        // A video program plays in the page on the button's press: nothing is fetched or converted before.
        if (!hls.empty())
            rows += "<button class=\"play\" type=\"button\" data-type=\"" +
                    std::string(ContentTypeOf(program.m_nType)) + "\" data-file=\"" + link + "\" data-hls=\"" +
                    HtmlEscaped(std::string(origin) + hls) + "\">Play</button>";
        rows += "</td></tr>\n";
    }
    const std::string count = std::to_string(programs.size());
    // The rows last: a file name must not become a mark.
    const std::string page = Replaced(kCataloguePageTemplate, "<!--TILES-->", CatalogueTiles(programs, origin));
    return Replaced(Replaced(Replaced(page, "<!--ORIGIN-->", origin), "<!--COUNT-->", count), "<!--ROWS-->", rows);
}

} // namespace tarnvale
