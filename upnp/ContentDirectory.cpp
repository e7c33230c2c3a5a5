// The directory's view of the catalogue: made once per change of the catalogue and shared by every browse until the
// next, so a page costs what it returns, not what the catalogue holds. DLNA profiles are found as pages are
// written, since they need a look at each MPEG file and a TV seldom browses everything.
#include "upnp/ContentDirectory.h"

#include "core/MediaType.h"
#include "core/ParseInteger.h"
#include "http/CatalogueViews.h"
#include "http/SubtitleRoute.h"
#include "http/TextEscapes.h"
#include "upnp/DidlLite.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

namespace tarnvale {

namespace {

constexpr std::string_view kRootId = "0";

struct ContainerRow {
    const char* id;
    const char* title;
    bool (*holds)(std::int32_t type);
};

constexpr ContainerRow kContainers[] = {
    {"video", "Video", [](std::int32_t t) { return t == MEDIA_MPEG1 || t == MEDIA_MPEG2 || t == MEDIA_AVI; }},
    {"music", "Music", [](std::int32_t t) { return t == MEDIA_MP3; }},
    {"all", "All programs", [](std::int32_t) { return true; }},
};
constexpr std::size_t kContainerCount = std::size(kContainers);

std::optional<std::size_t> ContainerIndex(std::string_view id) {
    for (std::size_t i = 0; i < kContainerCount; ++i) {
        if (id == kContainers[i].id)
            return i;
    }
    return std::nullopt;
}

// The PID an item's object id names: written one way only, as in the HTTP side's paths.
std::optional<std::int32_t> ItemPid(std::string_view id) {
    const std::optional<std::int32_t> pid = ParseInteger<std::int32_t>(id);
    return pid && std::to_string(*pid) == id ? pid : std::nullopt;
}

struct Window {
    std::size_t first;
    std::size_t count;
};

Window PageOf(std::size_t total, std::uint32_t start, std::uint32_t count) {
    const std::size_t limit = count == 0 ? kMaxPageObjects : std::min(count, kMaxPageObjects);
    if (start >= total)
        return {total, 0};
    return {start, std::min<std::size_t>(limit, total - start)};
}

} // namespace

struct ContentDirectory::View {
    struct Entry {
        std::int32_t pid;
        std::int32_t type;
        std::int32_t size;
        std::string path;
    };
    std::uint32_t updateId = 0;
    std::vector<Entry> entries; // the reachable programs, in catalogue order
    std::array<std::vector<std::uint32_t>, kContainerCount> members;
    std::unordered_map<std::int32_t, std::uint32_t> byPid;
    // Profiles and sizes on disk found so far (the catalogue's size field cannot hold 2 GiB and more); probed tells
    // which of them are known.
    std::mutex profileMutex;
    std::vector<const char*> profiles;
    std::vector<std::int64_t> sizes;
    std::vector<bool> probed;

    // The containers the root shows: those with programs.
    std::vector<std::size_t> RootChildren() const {
        std::vector<std::size_t> shown;
        for (std::size_t i = 0; i < kContainerCount; ++i) {
            if (!members[i].empty())
                shown.push_back(i);
        }
        return shown;
    }
    // The container an item's parentID names outside a listing of a container: the first that holds it.
    const char* HomeOf(std::size_t index) const {
        for (const ContainerRow& row : kContainers) {
            if (row.holds(entries[index].type))
                return row.id;
        }
        return kContainers[kContainerCount - 1].id;
    }
};

ContentDirectory::ContentDirectory(const CMediaInfoList& catalogue, std::string mediaOrigin, VideoProbe probe,
                                   std::uint32_t updateId)
    : catalogue_(catalogue), mediaOrigin_(std::move(mediaOrigin)), probe_(std::move(probe)), updateId_(updateId) {}

ContentDirectory::~ContentDirectory() = default;

std::uint32_t ContentDirectory::Changed() {
    std::lock_guard lock(mutex_);
    return ++updateId_;
}

std::uint32_t ContentDirectory::UpdateId() const {
    std::lock_guard lock(mutex_);
    return updateId_;
}

std::shared_ptr<ContentDirectory::View> ContentDirectory::CurrentView() const {
    std::lock_guard lock(mutex_);
    if (view_ && view_->updateId == updateId_)
        return view_;
    auto view = std::make_shared<View>();
    view->updateId = updateId_;
    // Under the catalogue's lock, so that no copy of the whole catalogue is made on the way.
    catalogue_.WithRecords([&](const std::vector<CMediaInfo>& records) {
        view->entries.reserve(records.size());
        for (const CMediaInfo& record : records) {
            // Where several programs share a PID, the first, as over UDP and HTTP.
            const auto index = static_cast<std::uint32_t>(view->entries.size());
            if (!view->byPid.emplace(record.m_nPID, index).second)
                continue;
            view->entries.push_back({record.m_nPID, record.m_nType, record.m_nSize, std::string(record.Path())});
            for (std::size_t i = 0; i < kContainerCount; ++i) {
                if (kContainers[i].holds(record.m_nType))
                    view->members[i].push_back(index);
            }
        }
    });
    view->profiles.assign(view->entries.size(), nullptr);
    view->sizes.assign(view->entries.size(), 0);
    view->probed.assign(view->entries.size(), false);
    view_ = view;
    return view;
}

std::string ContentDirectory::PictureUrlOf(std::int32_t pid, std::int32_t type, const std::string& path) const {
    CMediaInfo program;
    program.m_nPID = pid;
    program.m_nType = type;
    if (!pictureCheck_ || !program.SetPath(path) || !pictureCheck_(program))
        return {};
    return mediaOrigin_ + "/pictures/" + std::to_string(pid) + ".jpg";
}

void ContentDirectory::AddItem(DidlWriter& didl, View& view, std::size_t index, std::string_view parentId) const {
    const View::Entry& entry = view.entries[index];
    const char* profile = nullptr;
    std::int64_t size = 0;
    {
        std::lock_guard lock(view.profileMutex);
        if (!view.probed[index]) {
            const bool needsVideo = DlnaProfileNeedsVideo(entry.type);
            view.profiles[index] =
                DlnaProfileOf(entry.type, needsVideo && probe_ ? probe_(entry.path.c_str()) : MpegVideoFormat{});
            view.sizes[index] = static_cast<std::int64_t>(SizeOnDisk(entry.path, entry.size));
            view.probed[index] = true;
        }
        profile = view.profiles[index];
        size = view.sizes[index];
    }
    const std::string url = ProgramUrl(mediaOrigin_, entry.pid);
    const std::string captionUrl = CaptionUrl(mediaOrigin_, entry.pid, entry.path);
    const std::string pictureUrl = PictureUrlOf(entry.pid, entry.type, entry.path);
    std::string convertedUrl;
    if (convertedPath_) {
        CMediaInfo program;
        program.m_nPID = entry.pid;
        program.m_nType = entry.type;
        if (program.SetPath(entry.path))
            if (const std::string path = convertedPath_(program); !path.empty())
                convertedUrl = mediaOrigin_ + path;
    }
    DidlItem item{entry.pid, parentId, FileNameOf(entry.path), entry.type, size, url, profile};
    if (!convertedUrl.empty()) {
        item.convertedUrl = convertedUrl;
        item.convertedInfo = convertedInfo_;
    }
    item.captionUrl = captionUrl;
    item.pictureUrl = pictureUrl;
    didl.Add(item);
}

std::optional<DirectoryPage> ContentDirectory::Browse(const BrowseRequest& request) const {
    const std::shared_ptr<View> view = CurrentView();
    DidlWriter didl;
    DirectoryPage page;
    page.updateId = view->updateId;
    const std::optional<std::size_t> container = ContainerIndex(request.objectId);
    if (request.objectId == kRootId) {
        const std::vector<std::size_t> shown = view->RootChildren();
        if (!request.children) {
            didl.Add(DidlContainer{kRootId, "-1", "root", shown.size()});
            page.returned = page.total = 1;
        } else {
            const Window window = PageOf(shown.size(), request.start, request.count);
            for (std::size_t i = window.first; i < window.first + window.count; ++i) {
                const ContainerRow& row = kContainers[shown[i]];
                didl.Add(DidlContainer{row.id, kRootId, row.title, view->members[shown[i]].size()});
            }
            page.returned = static_cast<std::uint32_t>(window.count);
            page.total = static_cast<std::uint32_t>(shown.size());
        }
    } else if (container) {
        const std::vector<std::uint32_t>& members = view->members[*container];
        const ContainerRow& row = kContainers[*container];
        if (!request.children) {
            didl.Add(DidlContainer{row.id, kRootId, row.title, members.size()});
            page.returned = page.total = 1;
        } else {
            const Window window = PageOf(members.size(), request.start, request.count);
            for (std::size_t i = window.first; i < window.first + window.count; ++i)
                AddItem(didl, *view, members[i], row.id);
            page.returned = static_cast<std::uint32_t>(window.count);
            page.total = static_cast<std::uint32_t>(members.size());
        }
    } else {
        const std::optional<std::int32_t> pid = ItemPid(request.objectId);
        const auto found = pid ? view->byPid.find(*pid) : view->byPid.end();
        if (found == view->byPid.end())
            return std::nullopt;
        // An item has no children: its listing is empty.
        if (!request.children) {
            AddItem(didl, *view, found->second, view->HomeOf(found->second));
            page.returned = page.total = 1;
        }
    }
    page.didl = didl.Finish();
    return page;
}

std::optional<DirectoryPage> ContentDirectory::ListAll(std::string_view containerId, std::uint32_t start,
                                                       std::uint32_t count) const {
    const std::optional<std::size_t> container =
        containerId == kRootId ? std::optional<std::size_t>(kContainerCount - 1) : ContainerIndex(containerId);
    if (!container)
        return std::nullopt;
    const std::shared_ptr<View> view = CurrentView();
    const std::vector<std::uint32_t>& members = view->members[*container];
    const Window window = PageOf(members.size(), start, count);
    DidlWriter didl;
    for (std::size_t i = window.first; i < window.first + window.count; ++i)
        AddItem(didl, *view, members[i], view->HomeOf(members[i]));
    return DirectoryPage{didl.Finish(), static_cast<std::uint32_t>(window.count),
                         static_cast<std::uint32_t>(members.size()), view->updateId};
}

} // namespace tarnvale
