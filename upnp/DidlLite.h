// DIDL-Lite, the document a Browse answers with: containers and items, every text escaped for XML.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvale {

struct DidlContainer {
    std::string_view id;
    std::string_view parentId;
    std::string_view title;
    std::size_t childCount = 0;
};

struct DidlItem {
    std::int32_t pid = 0;
    std::string_view parentId;
    std::string_view title;
    std::int32_t mediaType = 0;
    std::int64_t size = 0;         // left out when negative
    std::string_view url;          // the res element's text
    const char* profile = nullptr; // the DLNA profile, when the file is one
    // The program converted for TVs (an MPEG transport stream of H.264 and AAC), offered as a second res; empty:
    // none. With its protocolInfo: convertedInfo.
    std::string_view convertedUrl = {};
    std::string_view convertedInfo = {};
    std::string_view captionUrl = {}; // a SubRip file beside the program; empty when there is none
    std::string_view pictureUrl = {}; // a JPEG_TN picture of the program; empty when there is none
};

class DidlWriter {
public:
    DidlWriter();
    void Add(const DidlContainer& container);
    void Add(const DidlItem& item);
    // The whole document; the writer is empty after.
    std::string Finish();

private:
    // The picture and the subtitles after the program's own res, where renderers that know nothing of them skip
    // them.
    void AddExtras(const DidlItem& item);

    std::string text_;
};

// "object.item.videoItem", "object.item.audioItem.musicTrack", or "object.item" for an unknown type.
const char* UpnpClassOf(std::int32_t mediaType);

} // namespace tarnvale
