// The playlist, the JSON list and the page, written from the catalogue records.
#include "http/CatalogueViews.h"

#include "core/MediaType.h"
#include "http/CataloguePageTemplate.h"
#include "http/TextEscapes.h"
#include "platform/Text.h"

#include <cstdio>
#include <unordered_set>

namespace tarnvale {

namespace {

struct TypeRow {
    std::int32_t type;
    const char* contentType;
};

constexpr TypeRow kContentTypes[] = {
    {MEDIA_MPEG1, "video/mpeg"},
    {MEDIA_MPEG2, "video/mpeg"},
    {MEDIA_AVI, "video/x-msvideo"},
    {MEDIA_MP3, "audio/mpeg"},
};

std::string Replaced(std::string_view text, std::string_view mark, std::string_view with) {
    const std::size_t at = text.find(mark);
    if (at == std::string_view::npos)
        return std::string(text);
    return std::string(text.substr(0, at)).append(with).append(text.substr(at + mark.size()));
}

std::string SizeInMiB(std::int32_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", bytes < 0 ? 0.0 : bytes / (1024.0 * 1024.0));
    return text;
}

// The file name as UTF-8. The whole path is converted first: in a multibyte code page a backslash byte may be the
// second half of a character.
std::string ShownName(const CMediaInfo& program) {
    return std::string(FileNameOf(platform::SystemTextToUtf8(program.Path())));
}

} // namespace

const char* ContentTypeOf(std::int32_t mediaType) {
    for (const TypeRow& row : kContentTypes) {
        if (row.type == mediaType)
            return row.contentType;
    }
    return "application/octet-stream";
}

std::vector<CMediaInfo> ReachablePrograms(const std::vector<CMediaInfo>& records) {
    std::vector<CMediaInfo> programs;
    std::unordered_set<std::int32_t> seen;
    for (const CMediaInfo& record : records) {
        if (seen.insert(record.m_nPID).second)
            programs.push_back(record);
    }
    return programs;
}

std::string ProgramUrl(std::string_view origin, std::int32_t pid) {
    return std::string(origin) + "/programs/" + std::to_string(pid);
}

std::string PlaylistText(const std::vector<CMediaInfo>& programs, std::string_view origin) {
    std::string text = "#EXTM3U\n";
    for (const CMediaInfo& program : programs) {
        text += "#EXTINF:-1," + OneLine(ShownName(program)) + "\n";
        text += ProgramUrl(origin, program.m_nPID) + "\n";
    }
    return text;
}

std::string CatalogueJson(const std::vector<CMediaInfo>& programs, std::string_view origin) {
    std::string json = "[";
    for (const CMediaInfo& program : programs) {
        if (json.size() > 1)
            json += ',';
        json += "\n{\"pid\":" + std::to_string(program.m_nPID) +
                ",\"type\":" + JsonQuoted(MediaTypeText(program.m_nType)) +
                ",\"size\":" + std::to_string(program.m_nSize) + ",\"file\":" + JsonQuoted(ShownName(program)) +
                ",\"url\":" + JsonQuoted(ProgramUrl(origin, program.m_nPID)) + "}";
    }
    return json + "\n]\n";
}

std::string CataloguePage(const std::vector<CMediaInfo>& programs) {
    std::string rows;
    for (const CMediaInfo& program : programs) {
        const std::string pid = std::to_string(program.m_nPID);
        const std::string link = "/programs/" + pid;
        rows += "<tr><td class=\"num\">" + pid + "</td><td class=\"type\">" + MediaTypeText(program.m_nType) +
                "</td><td class=\"num\">" + SizeInMiB(program.m_nSize) + "</td><td class=\"name\"><a href=\"" + link +
                "\">" + HtmlEscaped(ShownName(program)) + "</a>";
        if (program.m_nType == MEDIA_MP3)
            rows += "<audio controls preload=\"metadata\" src=\"" + link + "\"></audio>";
        rows += "</td></tr>\n";
    }
    const std::string count = std::to_string(programs.size());
    return Replaced(Replaced(kCataloguePageTemplate, "<!--ROWS-->", rows), "<!--COUNT-->", count);
}

} // namespace tarnvale
