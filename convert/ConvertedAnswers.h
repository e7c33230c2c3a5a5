// The conversions' answers on the HTTP side: a program's playlist and its segments, under URLs that name the file's
// identity, so that a caching front may keep them by URL and a changed file is never answered with old segments.
//   /converted/PID/IDENTITY/index.m3u8   the VOD playlist of the whole program
//   /converted/PID/IDENTITY/K.ts         segment K
//   /converted/PID/IDENTITY.ts           the whole program as one transport stream, for TVs, from the time their
//                                        TimeSeekRange.dlna.org asks
#pragma once

#include "convert/ConversionService.h"
#include "core/MediaInfo.h"
#include "core/MediaInfoList.h"
#include "http/HttpRoute.h"

#include <cstdint>
#include <string>

namespace tarnvale {

inline constexpr const char* kConvertedPrefix = "/converted/";

// Whether the server converts programs of that type: the video ones, which browsers and many TVs cannot play.
bool IsConvertedType(std::int32_t type);

// The path of program's playlist ("/converted/PID/IDENTITY/index.m3u8") as its file is now; empty for a program
// that is not converted or whose file cannot be looked at.
std::string ConvertedPlaylistPath(const CMediaInfo& program);

// Where the page finds the HLS player library, and the route that serves it.
inline constexpr const char* kPlayerScriptPath = "/hls.min.js";
HttpRoute PlayerScriptRoute();

// The path of program's stream for TVs ("/converted/PID/IDENTITY.ts"), as ConvertedPlaylistPath.
std::string ConvertedStreamPath(const CMediaInfo& program);

// The DLNA profile of that stream (H.264 Main at SD with AAC in an MPEG transport stream of 188-byte packets), and
// the features its res element and answers give: time seeks only, converted, streamed.
inline constexpr const char* kConvertedProfile = "AVC_TS_MP_SD_AAC_MULT5_ISO";
inline constexpr const char* kConvertedFeatures = "DLNA.ORG_PN=AVC_TS_MP_SD_AAC_MULT5_ISO;DLNA.ORG_OP=10;DLNA.ORG_CI=1;"
                                                  "DLNA.ORG_FLAGS=01700000000000000000000000000000";

// The route that answers those URLs for the programs of catalogue (which, like service, must outlive it).
HttpRoute ConvertedRoute(ConversionService& service, const CMediaInfoList& catalogue);

} // namespace tarnvale
