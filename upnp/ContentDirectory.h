// ContentDirectory: the catalogue as a TV browses it. The root holds a container per kind of program a TV user
// understands; items are the programs, their object ids their PIDs, so a TV's bookmark survives a reload.
#pragma once

#include "core/MediaInfoList.h"
#include "media/MpegStream.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

class DidlWriter;

// A page answers at most this many objects, whatever was asked: a TV asking for "all" of 100,000 programs gets
// the first page and the true total, and asks on.
inline constexpr std::uint32_t kMaxPageObjects = 2000;

struct BrowseRequest {
    std::string objectId;
    bool children = false; // BrowseDirectChildren; otherwise BrowseMetadata
    std::uint32_t start = 0;
    std::uint32_t count = 0; // 0: as many as a page holds
};

struct DirectoryPage {
    std::string didl;
    std::uint32_t returned = 0;
    std::uint32_t total = 0;
    std::uint32_t updateId = 0;
};

class ContentDirectory {
public:
    using VideoProbe = std::function<MpegVideoFormat(const char* path)>;

    // catalogue must outlive the directory. mediaOrigin ("http://HOST:PORT") leads every res URL; probe tells an
    // MPEG file's frame for its DLNA profile; updateId is where SystemUpdateID starts (a restart should not reuse
    // the ids of the server that ran before, or a TV keeps an old listing).
    ContentDirectory(const CMediaInfoList& catalogue, std::string mediaOrigin, VideoProbe probe,
                     std::uint32_t updateId);
    ~ContentDirectory();
    ContentDirectory(const ContentDirectory&) = delete;
    ContentDirectory& operator=(const ContentDirectory&) = delete;

    // Before the first browse: which programs have a picture at /pictures/PID.jpg (none without it).
    void SetPictureCheck(std::function<bool(const CMediaInfo&)> check) { pictureCheck_ = std::move(check); }
    // Where a program's converted stream is (a path on the media origin; empty for a program not converted), and
    // that stream's protocolInfo; none: no program has one.
    void SetConvertedStreams(std::function<std::string(const CMediaInfo&)> path, std::string protocolInfo) {
        convertedPath_ = std::move(path);
        convertedInfo_ = std::move(protocolInfo);
    }

    // The catalogue changed: the next browse sees it. The new SystemUpdateID.
    std::uint32_t Changed();
    std::uint32_t UpdateId() const;

    // Nothing when there is no such object.
    std::optional<DirectoryPage> Browse(const BrowseRequest& request) const;
    // Every program below containerId, paged as by Browse; nothing when there is no such container.
    std::optional<DirectoryPage> ListAll(std::string_view containerId, std::uint32_t start, std::uint32_t count) const;

private:
    struct View;
    std::shared_ptr<View> CurrentView() const;
    void AddItem(DidlWriter& didl, View& view, std::size_t index, std::string_view parentId) const;
    std::string PictureUrlOf(std::int32_t pid, std::int32_t type, const std::string& path) const;

    const CMediaInfoList& catalogue_;
    const std::string mediaOrigin_;
    const VideoProbe probe_;
    std::function<bool(const CMediaInfo&)> pictureCheck_;
    std::function<std::string(const CMediaInfo&)> convertedPath_;
    std::string convertedInfo_;
    mutable std::mutex mutex_;
    std::uint32_t updateId_;
    // Made from the catalogue at the first browse after a change.
    mutable std::shared_ptr<View> view_;
};

} // namespace tarnvale
