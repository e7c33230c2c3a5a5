// The catalogue as the HTTP side shows it: the playlist, the JSON list, the page for people, and the content type
// of each program's file. Pure functions over a copy of the catalogue, but for the sizes, looked up on disk.
#pragma once

#include "core/MediaInfo.h"
#include "http/DlnaFeatures.h"
#include "http/ProgramExtras.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

// The programs a request can reach, in catalogue order: where several share a PID, only the first, which is the
// one /programs/PID serves.
std::vector<CMediaInfo> ReachablePrograms(const std::vector<CMediaInfo>& records);

// A program as the views show it. size is what /programs/PID sends, the file's size on disk: the record's 32-bit
// field cannot hold 2 GiB and more.
struct ShownProgram {
    CMediaInfo record;
    std::uint64_t size = 0;
    ProgramExtras extras = {}; // none unless a caller looks for them (WithExtras)
    // The path of its converted stream's playlist, for screens that cannot play the file; empty: none.
    std::string hls = {};
};

// What /programs/PID sends of a program's file at path: its size on disk; catalogueSize (the record's) when the
// file cannot be looked at (it is then not sent at all).
std::uint64_t SizeOnDisk(const std::string& path, std::int32_t catalogueSize);

// programs with their sizes on disk.
std::vector<ShownProgram> WithSizesOnDisk(std::vector<CMediaInfo> programs);

// programs with their subtitles, found beside each file, and hasPicture's word on each one's picture (none when
// not given).
void WithExtras(std::vector<ShownProgram>& programs, const std::function<bool(const CMediaInfo&)>& hasPicture);

// origin is "http://HOST:PORT", without a slash at the end; empty for a link within the page's own server.
std::string ProgramUrl(std::string_view origin, std::int32_t pid);

// An extended M3U playlist: "#EXTINF:-1,FILE NAME" and the program's URL for each program.
std::string PlaylistText(const std::vector<ShownProgram>& programs, std::string_view origin);

// [{"pid":..,"type":"MPEG2","size":..,"file":"..","url":"..","hls":".."}, ...], "hls" only where there is one,
// then ExtrasJson's members.
std::string CatalogueJson(const std::vector<ShownProgram>& programs, std::string_view origin);

// The catalogue page: the built-in page with a table row per program, its links led by origin (empty: links
// within the server the page came from). Only file names are shown, never folders.
std::string CataloguePage(const std::vector<ShownProgram>& programs, std::string_view origin);

} // namespace tarnvale
