// The DLNA profile choice and the features field. A profile is named only where the file is one: a TV that is told
// MPEG_PS_PAL and gets another frame size refuses the file, while no profile lets it try.
#include "http/DlnaFeatures.h"

#include "core/MediaType.h"
#include "http/HeaderText.h"

#include <algorithm>

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

constexpr unsigned kRate25 = 3;
constexpr unsigned kRate2997 = 4;

// The frames each profile allows: width, height and frame rate.
struct FrameRow {
    const char* profile;
    MpegStreamKind kind;
    unsigned width;
    unsigned height;
    unsigned rate;
};

constexpr FrameRow kFrames[] = {
    {"MPEG1", MpegStreamKind::Mpeg1System, 352, 288, kRate25},
    {"MPEG1", MpegStreamKind::Mpeg1System, 352, 240, kRate2997},
    {"MPEG_PS_PAL", MpegStreamKind::Mpeg2System, 720, 576, kRate25},
    {"MPEG_PS_PAL", MpegStreamKind::Mpeg2System, 704, 576, kRate25},
    {"MPEG_PS_PAL", MpegStreamKind::Mpeg2System, 544, 576, kRate25},
    {"MPEG_PS_PAL", MpegStreamKind::Mpeg2System, 480, 576, kRate25},
    {"MPEG_PS_PAL", MpegStreamKind::Mpeg2System, 352, 576, kRate25},
    {"MPEG_PS_PAL", MpegStreamKind::Mpeg2System, 352, 288, kRate25},
    {"MPEG_PS_NTSC", MpegStreamKind::Mpeg2System, 720, 480, kRate2997},
    {"MPEG_PS_NTSC", MpegStreamKind::Mpeg2System, 704, 480, kRate2997},
    {"MPEG_PS_NTSC", MpegStreamKind::Mpeg2System, 544, 480, kRate2997},
    {"MPEG_PS_NTSC", MpegStreamKind::Mpeg2System, 480, 480, kRate2997},
    {"MPEG_PS_NTSC", MpegStreamKind::Mpeg2System, 352, 480, kRate2997},
    {"MPEG_PS_NTSC", MpegStreamKind::Mpeg2System, 352, 240, kRate2997},
};

// Streaming, background and stalling transfers, DLNA 1.5.
constexpr const char* kFlags = "01700000000000000000000000000000";

constexpr std::string_view kTransferModes[] = {"Streaming", "Interactive", "Background"};

} // namespace

const char* ContentTypeOf(std::int32_t mediaType) {
    for (const TypeRow& row : kContentTypes) {
        if (row.type == mediaType)
            return row.contentType;
    }
    return "application/octet-stream";
}

bool DlnaProfileNeedsVideo(std::int32_t mediaType) {
    return mediaType == MEDIA_MPEG1 || mediaType == MEDIA_MPEG2;
}

const char* DlnaProfileOf(std::int32_t mediaType, const MpegVideoFormat& video) {
    if (mediaType == MEDIA_MP3)
        return "MP3";
    if (!DlnaProfileNeedsVideo(mediaType))
        return nullptr;
    // The catalogue's type and the file must agree: an MPEG-1 stream catalogued as MPEG2 is no MPEG_PS file.
    const MpegStreamKind expected =
        mediaType == MEDIA_MPEG1 ? MpegStreamKind::Mpeg1System : MpegStreamKind::Mpeg2System;
    const auto match = std::find_if(std::begin(kFrames), std::end(kFrames), [&](const FrameRow& row) {
        return row.kind == expected && video.kind == expected && row.width == video.width &&
               row.height == video.height && row.rate == video.frameRateCode;
    });
    return match == std::end(kFrames) ? nullptr : match->profile;
}

std::string DlnaFeatures(const char* profile) {
    std::string features;
    if (profile)
        features = std::string("DLNA.ORG_PN=") + profile + ";";
    return features + "DLNA.ORG_OP=01;DLNA.ORG_FLAGS=" + kFlags;
}

std::string DlnaProtocolInfo(std::int32_t mediaType, const char* profile) {
    return std::string("http-get:*:") + ContentTypeOf(mediaType) + ":" + DlnaFeatures(profile);
}

DlnaHeaders AnswerDlnaHeaders(std::optional<std::string_view> getContentFeatures,
                              std::optional<std::string_view> transferMode, std::int32_t mediaType,
                              const char* profile) {
    DlnaHeaders headers;
    const bool featuresAsked = getContentFeatures && TrimmedHeaderText(*getContentFeatures) == "1";
    if (featuresAsked)
        headers.contentFeatures = DlnaFeatures(profile);
    if (transferMode) {
        const std::string_view mode = TrimmedHeaderText(*transferMode);
        for (std::string_view known : kTransferModes) {
            if (mode.size() == known.size() && std::equal(mode.begin(), mode.end(), known.begin(),
                                                          [](char a, char b) { return (a | 0x20) == (b | 0x20); }))
                headers.transferMode = known;
        }
    } else if (featuresAsked && (mediaType >= MEDIA_MPEG1 && mediaType <= MEDIA_MP3)) {
        headers.transferMode = "Streaming";
    }
    return headers;
}

} // namespace tarnvale
