// The segment cache: a map and a use list in memory over files on disk, the disk the truth at Open.
#include "convert/SegmentCache.h"

#include "core/ParseInteger.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tarnvale {
namespace {

std::optional<std::uint32_t> SegmentNumber(const std::string& name) {
    if (!name.ends_with(".ts"))
        return std::nullopt;
    return ParseInteger<std::uint32_t>(std::string_view(name).substr(0, name.size() - 3), 0, 10'000'000);
}

} // namespace

bool IsFileIdentity(const std::string& name) {
    return name.size() == 16 && std::all_of(name.begin(), name.end(),
                                            [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool SegmentCache::Open(const std::string& folder, std::uint64_t limitBytes, std::uint64_t roomForRun,
                        std::string& error) {
    std::lock_guard lock(mutex_);
    folder_ = folder;
    limit_ = limitBytes;
    roomForRun_ = roomForRun;
    std::error_code failure;
    fs::create_directories(folder, failure);
    if (failure || !fs::is_directory(folder, failure)) {
        error = "cannot make the cache folder " + folder + ": " + (failure ? failure.message() : "not a folder");
        return false;
    }
    struct Found {
        Key key;
        std::uint64_t size;
        fs::file_time_type time;
    };
    std::vector<Found> found;
    for (const fs::directory_entry& file : fs::directory_iterator(folder, failure)) {
        const std::string identity = file.path().filename().string();
        if (!IsFileIdentity(identity) || !file.is_directory(failure))
            continue;
        for (const fs::directory_entry& inside : fs::directory_iterator(file.path(), failure)) {
            const std::string name = inside.path().filename().string();
            if (name.starts_with("run-") && inside.is_directory(failure)) {
                fs::remove_all(inside.path(), failure);
            } else if (const std::optional<std::uint32_t> k = SegmentNumber(name)) {
                found.push_back({{identity, *k}, inside.file_size(failure), inside.last_write_time(failure)});
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.time < b.time; });
    for (const Found& segment : found) {
        uses_.push_back(segment.key);
        entries_[segment.key] = Entry{segment.size, std::prev(uses_.end())};
        bytes_ += segment.size;
    }
    if (!found.empty())
        DropBeyondLimit(found.back().key);
    return true;
}

std::string SegmentCache::PathOf(const Key& key) const {
    return folder_ + "/" + key.first + "/" + std::to_string(key.second) + ".ts";
}

std::optional<std::string> SegmentCache::Find(const std::string& identity, std::uint32_t k) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(Key{identity, k});
    if (found == entries_.end())
        return std::nullopt;
    // Removed behind the server's back (a cleaner of old files, an operator emptying the folder): made again.
    std::string path = PathOf(found->first);
    std::error_code failure;
    if (!fs::is_regular_file(path, failure)) {
        bytes_ -= found->second.size;
        uses_.erase(found->second.use);
        entries_.erase(found);
        return std::nullopt;
    }
    uses_.splice(uses_.end(), uses_, found->second.use);
    return path;
}

std::string SegmentCache::NewRunFolder(const std::string& identity, std::string& error) {
    std::lock_guard lock(mutex_);
    std::error_code failure;
    const fs::space_info space = fs::space(folder_, failure);
    if (!failure && space.available < roomForRun_) {
        error = "the cache folder " + folder_ + " is full (" + std::to_string(space.available >> 20) +
                " MiB free, a conversion needs " + std::to_string(roomForRun_ >> 20) + " MiB)";
        return {};
    }
    const std::string folder = folder_ + "/" + identity + "/run-" + std::to_string(++runs_);
    fs::remove_all(folder, failure);
    if (!fs::create_directories(folder, failure)) {
        error = "cannot make " + folder + ": " + failure.message();
        return {};
    }
    return folder;
}

bool SegmentCache::Keep(const std::string& identity, std::uint32_t k, const std::string& runFolder,
                        std::string& error) {
    std::lock_guard lock(mutex_);
    const Key key{identity, k};
    const std::string from = runFolder + "/" + std::to_string(k) + ".ts", to = PathOf(key);
    std::error_code failure;
    const std::uint64_t size = fs::file_size(from, failure);
    if (!failure)
        fs::rename(from, to, failure);
    if (failure) {
        error = "cannot keep " + from + ": " + failure.message();
        return false;
    }
    if (const auto old = entries_.find(key); old != entries_.end()) {
        bytes_ -= old->second.size;
        uses_.erase(old->second.use);
        entries_.erase(old);
    }
    uses_.push_back(key);
    entries_[key] = Entry{size, std::prev(uses_.end())};
    bytes_ += size;
    DropBeyondLimit(key);
    return true;
}

void SegmentCache::DropBeyondLimit(const Key& kept) {
    while (bytes_ > limit_ && !uses_.empty() && uses_.front() != kept) {
        const Key oldest = uses_.front();
        uses_.pop_front();
        const auto entry = entries_.find(oldest);
        bytes_ -= entry->second.size;
        entries_.erase(entry);
        // A client still being sent it keeps reading the open file; the next one is made again.
        std::error_code ignored;
        fs::remove(PathOf(oldest), ignored);
        fs::remove(folder_ + "/" + oldest.first, ignored); // only when no segment or run is left in it
    }
}

void SegmentCache::RemoveRunFolder(const std::string& runFolder) {
    std::error_code ignored;
    fs::remove_all(runFolder, ignored);
}

std::uint64_t SegmentCache::Bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

} // namespace tarnvale
