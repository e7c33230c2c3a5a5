// What DLNA players are told of a program: its content type, the DLNA profile it is, the features field of its
// protocolInfo, and the headers a renderer asks for before it seeks. Shared by the HTTP side (the headers) and the
// UPnP side (the res elements), so both say the same of every file.
#pragma once

#include "media/MpegStream.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

// "video/mpeg", "video/x-msvideo", "audio/mpeg", or "application/octet-stream" for an unknown type.
const char* ContentTypeOf(std::int32_t mediaType);

// Whether a program of this type needs its file's first bytes looked at before its profile is known.
bool DlnaProfileNeedsVideo(std::int32_t mediaType);

// The DLNA profile name of a program, or nullptr where the file is none that we can vouch for (AVI, an MPEG file
// whose frame is not one the profile allows). video is what ProbeMpegVideo found for MPEG programs.
const char* DlnaProfileOf(std::int32_t mediaType, const MpegVideoFormat& video);

// "DLNA.ORG_PN=PROFILE;DLNA.ORG_OP=01;DLNA.ORG_FLAGS=...", without the PN part when profile is nullptr.
std::string DlnaFeatures(const char* profile);

// "http-get:*:MIME:FEATURES".
std::string DlnaProtocolInfo(std::int32_t mediaType, const char* profile);

// The DLNA headers of an answer; an empty one is not sent.
struct DlnaHeaders {
    std::string contentFeatures;
    std::string transferMode;
};

// What a request for a program's file gets: contentFeatures.dlna.org when getcontentFeatures.dlna.org is "1",
// and the transfer mode it asked for echoed (Streaming when it asked for the features but named no mode).
DlnaHeaders AnswerDlnaHeaders(std::optional<std::string_view> getContentFeatures,
                              std::optional<std::string_view> transferMode, std::int32_t mediaType,
                              const char* profile);

} // namespace tarnvale
