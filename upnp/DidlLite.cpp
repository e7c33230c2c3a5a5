// Writing DIDL-Lite. Titles come from file names, which are bytes from the catalogue: XmlEscaped makes them valid
// UTF-8 without control characters, so one odd name cannot make a TV reject the whole page.
#include "upnp/DidlLite.h"

#include "core/MediaType.h"
#include "http/DlnaFeatures.h"
#include "http/TextEscapes.h"

namespace tarnvale {

namespace {

constexpr const char* kHead =
    "<DIDL-Lite xmlns=\"urn:schemas-upnp-org:metadata-1-0/DIDL-Lite/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
    " xmlns:upnp=\"urn:schemas-upnp-org:metadata-1-0/upnp/\" xmlns:dlna=\"urn:schemas-dlna-org:metadata-1-0/\">";

struct ClassRow {
    std::int32_t type;
    const char* upnpClass;
};

constexpr ClassRow kClasses[] = {
    {MEDIA_MPEG1, "object.item.videoItem"},
    {MEDIA_MPEG2, "object.item.videoItem"},
    {MEDIA_AVI, "object.item.videoItem"},
    {MEDIA_MP3, "object.item.audioItem.musicTrack"},
};

} // namespace

const char* UpnpClassOf(std::int32_t mediaType) {
    for (const ClassRow& row : kClasses) {
        if (row.type == mediaType)
            return row.upnpClass;
    }
    return "object.item";
}

namespace {

// Most TVs play the first res. MPEG-1 and MPEG-2 keep their file first (a DLNA TV must play MPEG_PS_PAL/NTSC and
// loses nothing by it); AVI, which no DLNA profile names and many TVs no longer play, puts the conversion first.
bool ConvertedFirst(const DidlItem& item) {
    return item.mediaType == MEDIA_AVI && !item.convertedUrl.empty();
}

std::string ConvertedRes(const DidlItem& item) {
    if (item.convertedUrl.empty())
        return {};
    return "<res protocolInfo=\"" + XmlEscaped(item.convertedInfo) + "\">" + XmlEscaped(item.convertedUrl) + "</res>";
}

} // namespace

DidlWriter::DidlWriter() : text_(kHead) {}

void DidlWriter::Add(const DidlContainer& container) {
    text_ += "<container id=\"" + XmlEscaped(container.id) + "\" parentID=\"" + XmlEscaped(container.parentId) +
             "\" restricted=\"1\" searchable=\"1\" childCount=\"" + std::to_string(container.childCount) +
             "\"><dc:title>" + XmlEscaped(container.title) +
             "</dc:title><upnp:class>object.container.storageFolder</upnp:class></container>";
}

void DidlWriter::Add(const DidlItem& item) {
    text_ += "<item id=\"" + std::to_string(item.pid) + "\" parentID=\"" + XmlEscaped(item.parentId) +
             "\" restricted=\"1\"><dc:title>" + XmlEscaped(item.title) + "</dc:title><upnp:class>" +
             UpnpClassOf(item.mediaType) + "</upnp:class>";
    std::string file = "<res protocolInfo=\"" + XmlEscaped(DlnaProtocolInfo(item.mediaType, item.profile)) + "\"";
    if (item.size >= 0)
        file += " size=\"" + std::to_string(item.size) + "\"";
    file += ">" + XmlEscaped(item.url) + "</res>";
    text_ += ConvertedFirst(item) ? ConvertedRes(item) + file : file + ConvertedRes(item);
    AddExtras(item);
    text_ += "</item>";
}

void DidlWriter::AddExtras(const DidlItem& item) {
    if (!item.pictureUrl.empty()) {
        const std::string url = XmlEscaped(item.pictureUrl);
        text_ += "<upnp:albumArtURI dlna:profileID=\"JPEG_TN\">" + url +
                 "</upnp:albumArtURI><res protocolInfo=\"http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_TN;DLNA.ORG_FLAGS="
                 "00f00000000000000000000000000000\">" +
                 url + "</res>";
    }
    if (!item.captionUrl.empty()) {
        // The namespace on the element itself: the TVs that read it look for the element, not for its prefix's
        // place in the document.
        const std::string url = XmlEscaped(item.captionUrl);
        text_ += "<res protocolInfo=\"http-get:*:text/srt:*\">" + url +
                 "</res><sec:CaptionInfoEx xmlns:sec=\"http://www.sec.co.kr/\" sec:type=\"srt\">" + url +
                 "</sec:CaptionInfoEx>";
    }
}

std::string DidlWriter::Finish() {
    std::string done = std::move(text_) + "</DIDL-Lite>";
    text_ = kHead;
    return done;
}

} // namespace tarnvale
