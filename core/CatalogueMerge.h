// Bringing what was found on disk into a catalogue freshly read from its list file: programs are matched by path
// with the catalogue's letter-case rule, so a file is never catalogued twice, and new programs are numbered after
// the largest PID there is. The search and the watch both merge through here, under the writers' lock.
#pragma once

#include "core/MediaInfo.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnvale {

// The first PID a search gives; it never numbers from less.
inline constexpr std::int32_t kFirstSearchPid = 10;

// Finds records by path, the first in catalogue order winning, as the catalogue does, in constant time.
class PathIndex {
public:
    explicit PathIndex(const std::vector<CMediaInfo>& records);
    // The position of the first record with that path, or kNone.
    std::size_t Find(std::string_view path) const;
    // Takes in the record at position at under its path (after appending it, or after giving it a new path).
    void Placed(std::size_t at);
    // Forgets position at under its present path (before its record is dropped or given a new path; positions
    // do not move until the caller compacts the records).
    void Dropped(std::size_t at);

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

private:
    static std::string Key(std::string_view path);
    const std::vector<CMediaInfo>& records_;
    std::unordered_map<std::string, std::vector<std::size_t>> positions_;
};

// One past the largest PID in records, and at least kFirstSearchPid.
std::int32_t NextSearchPid(std::span<const CMediaInfo> records);

struct SearchMerge {
    std::size_t added = 0;
    std::size_t already = 0; // found, but their path was catalogued
    std::int32_t firstPid = 0, lastPid = 0;
};

// Appends each found record whose path records does not hold yet (nor an earlier found one), numbered from
// firstPid when given (raised to kFirstSearchPid), otherwise from NextSearchPid.
SearchMerge MergeFound(std::vector<CMediaInfo>& records, std::span<const CMediaInfo> found,
                       std::optional<std::int32_t> firstPid);

// A change the watch saw on disk.
struct CatalogueChange {
    enum class Kind { Add, Update, Remove, Move } kind = Kind::Add;
    CMediaInfo record; // Add, Update: the probed file; Move: the file under its new path
    std::string from;  // Remove: the path; Move: the old path
};

struct AppliedChange {
    CatalogueChange::Kind kind;
    CMediaInfo record; // as it is in the catalogue now (for Remove: as it was)
    std::string from;
};

// Applies changes in order to records, which were just read from the list file, so that edits others made
// meanwhile count: an Add of a path that is there already updates it in place, an Update of a path that is
// gone adds it, a Move of a path that is gone adds the file under its new path. Updates and moves keep the PID
// (and the extra value); new programs take the next PID. Returns what was done, with the PIDs.
std::vector<AppliedChange> ApplyChanges(std::vector<CMediaInfo>& records, std::span<const CatalogueChange> changes);

} // namespace tarnvale
