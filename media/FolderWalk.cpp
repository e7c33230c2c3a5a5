// The folder tree walk and the search's test of a file name.
#include "media/FolderWalk.h"

#include "core/MediaInfo.h"
#include "platform/Text.h"

#include <array>
#include <string_view>

namespace tarnvale {
namespace {

constexpr std::array<std::string_view, 5> kSearchTexts = {"mp3", "vob", "mpg", "mpeg", "avi"};

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == platform::kPathSeparator || path.back() == '/');
}

} // namespace

bool QualifiesForSearch(const std::string& path) {
    const std::size_t from = path.size() > 4 ? path.size() - 4 : 0;
    std::string tail;
    for (std::size_t i = from; i < path.size(); ++i)
        tail += platform::LowerAscii(path[i]);
    for (std::string_view text : kSearchTexts)
        if (tail.find(text) != std::string::npos)
            return true;
    return false;
}

bool FolderWalk::Walk(const std::string& folder) {
    path_ = folder;
    platform::DirectoryEnumeration root;
    if (!root.Open(path_))
        return false;
    WalkOpen(root);
    return true;
}

// Walks the folder whose path is in path_ and whose listing is open.
void FolderWalk::WalkOpen(platform::DirectoryEnumeration& listing) {
    platform::DirectoryId id;
    const bool known = listing.Identity(id);
    if (known && !visited_.insert(id).second)
        return;
    if (visitor_.enter && !visitor_.enter(path_, known ? &id : nullptr))
        return;
    const std::size_t folderLength = path_.size();
    if (!EndsWithSeparator(path_))
        path_ += platform::kPathSeparator;
    const std::size_t prefixLength = path_.size();
    platform::DirectoryEntry entry;
    while (!Stopped() && listing.Next(entry)) {
        path_.resize(prefixLength);
        path_ += entry.name;
        if (path_.size() > kMaxPathBytes)
            continue;
        if (entry.mayBeFolder) {
            platform::DirectoryEnumeration sub;
            if (sub.Open(path_)) {
                WalkOpen(sub);
                continue;
            }
        }
        if (visitor_.file)
            visitor_.file(path_, QualifiesForSearch(path_));
    }
    path_.resize(folderLength);
}

} // namespace tarnvale
