// The folder walk. One path buffer serves every level: each level appends an entry's name to its own folder's
// path and cuts it back afterwards.
#include "media/FolderWalk.h"

#include "platform/Directory.h"
#include "platform/Text.h"

#include <array>
#include <set>
#include <string_view>

namespace tarnvale {
namespace {

constexpr std::size_t kProgressEvery = 256;
constexpr std::array<std::string_view, 5> kSearchTexts = {"mp3", "vob", "mpg", "mpeg", "avi"};

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == platform::kPathSeparator || path.back() == '/');
}

class Walker {
public:
    Walker(std::int32_t& pidCounter, const FolderWalkHooks& hooks) : pidCounter_(pidCounter), hooks_(hooks) {}

    void Run(const std::string& folder) {
        path_ = folder;
        platform::DirectoryEnumeration root;
        if (root.Open(path_))
            WalkOpen(root);
        progress_.cancelled = Cancelled();
        Report();
    }

    const FolderWalkProgress& Progress() const { return progress_; }

private:
    bool Cancelled() const { return hooks_.cancel && hooks_.cancel->load(std::memory_order_relaxed); }

    void Report() {
        if (hooks_.progress)
            hooks_.progress(progress_);
    }

    // Walks the folder whose path is in path_ and whose listing is open.
    void WalkOpen(platform::DirectoryEnumeration& listing) {
        platform::DirectoryId id;
        if (listing.Identity(id) && !visited_.insert(id).second)
            return;
        const std::size_t folderLength = path_.size();
        if (!EndsWithSeparator(path_))
            path_ += platform::kPathSeparator;
        const std::size_t prefixLength = path_.size();
        platform::DirectoryEntry entry;
        while (!Cancelled() && listing.Next(entry)) {
            path_.resize(prefixLength);
            path_ += entry.name;
            // Nothing below a path this long could be added, and no folder on Windows can be entered by it.
            if (path_.size() > kMaxPathBytes)
                continue;
            if (entry.mayBeFolder) {
                platform::DirectoryEnumeration sub;
                if (sub.Open(path_)) {
                    WalkOpen(sub);
                    continue;
                }
            }
            LookAtFile();
        }
        path_.resize(folderLength);
    }

    void LookAtFile() {
        ++progress_.filesSeen;
        if (QualifiesForSearch(path_) && !(hooks_.known && hooks_.known(path_)))
            Probe();
        if (progress_.filesSeen % kProgressEvery == 0)
            Report();
    }

    void Probe() {
        CMediaInfo record;
        const bool accepted = SetFile(record, path_.c_str(), [this](const char* text) {
            if (hooks_.refused)
                hooks_.refused(path_, text);
            else if (hooks_.tell)
                hooks_.tell(text);
        });
        if (!accepted)
            return;
        if (pidCounter_ <= kFirstSearchPid)
            pidCounter_ = kFirstSearchPid;
        record.m_nPID = pidCounter_;
        // Wraps like the 32-bit counter it is, without overflowing a signed value.
        pidCounter_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(pidCounter_) + 1u);
        ++progress_.programsAdded;
        if (hooks_.add)
            hooks_.add(record);
        Report();
    }

    std::int32_t& pidCounter_;
    const FolderWalkHooks& hooks_;
    std::string path_;
    std::set<platform::DirectoryId> visited_;
    FolderWalkProgress progress_;
};

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

FolderWalkProgress WalkFolder(const std::string& folder, std::int32_t& pidCounter, const FolderWalkHooks& hooks) {
    Walker walker(pidCounter, hooks);
    walker.Run(folder);
    return walker.Progress();
}

} // namespace tarnvale
