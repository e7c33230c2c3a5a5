// The converted segments kept on disk: FOLDER/IDENTITY/K.ts, bounded in size, the least recently used dropped first.
// Runs write into folders of their own beside them (FOLDER/IDENTITY/run-N) and hand over each segment as it is
// finished, so a segment in the cache is always whole. Only names of this shape are ever touched in the folder.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace tarnvale {

class SegmentCache {
public:
    // Keeps at most limitBytes of segments in folder (made when missing): what an earlier server left there is
    // taken in, its unfinished runs removed. A new run is refused while the disk has less than roomForRun free.
    bool Open(const std::string& folder, std::uint64_t limitBytes, std::uint64_t roomForRun, std::string& error);

    // The path of segment k of the file of that identity, when kept; the segment counts as used now.
    std::optional<std::string> Find(const std::string& identity, std::uint32_t k);
    // A new, empty folder for a run on that file; empty, with error saying why, when there is none (a full disk).
    std::string NewRunFolder(const std::string& identity, std::string& error);
    // Takes the finished segment k from runFolder into the cache, then drops the least recently used segments
    // beyond the limit (never the one just taken). False, with error, when it cannot be moved.
    bool Keep(const std::string& identity, std::uint32_t k, const std::string& runFolder, std::string& error);
    // Removes a run's folder with whatever it left unfinished.
    void RemoveRunFolder(const std::string& runFolder);

    std::uint64_t Bytes() const;
    const std::string& Folder() const { return folder_; }

private:
    using Key = std::pair<std::string, std::uint32_t>;
    struct Entry {
        std::uint64_t size = 0;
        std::list<Key>::iterator use;
    };
    std::string PathOf(const Key& key) const;
    void DropBeyondLimit(const Key& kept);

    std::string folder_;
    std::uint64_t limit_ = 0;
    std::uint64_t roomForRun_ = 0;
    mutable std::mutex mutex_;
    std::uint64_t bytes_ = 0;
    std::uint64_t runs_ = 0;
    std::map<Key, Entry> entries_;
    std::list<Key> uses_; // least recently used first
};

// Whether name is a file identity as FileIdentity spells it: the only folders the cache makes and removes.
bool IsFileIdentity(const std::string& name);

} // namespace tarnvale
