// CMediaInfoList: the ordered catalogue. The command server reads it on its receive thread while the window or the
// list-file follower changes it, so every operation takes the catalogue's lock for its whole length; where several
// records match, the first in catalogue order wins.
#pragma once

#include "core/MediaInfo.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace tarnvale {

class CMediaInfoList {
public:
    void Append(const CMediaInfo& record);
    // Appends records at the end, in their order, in one step.
    void AppendAll(std::vector<CMediaInfo> records);
    // Replaces the whole catalogue in one step.
    void Assign(std::vector<CMediaInfo> records);
    void RemoveAll();

    // Path lookups compare without regard to letter case, by the platform's rules.
    std::optional<CMediaInfo> FindByPath(const char* path) const;
    std::optional<CMediaInfo> FindByPid(std::int32_t pid) const;
    // Copies every field of record into the first record whose path matches; false when none does.
    bool UpdateByPath(const char* path, const CMediaInfo& record);
    bool RemoveByPath(const char* path);

    // By position in catalogue order, as the window's rows show it. Nothing (or false) for a position past the end.
    std::optional<CMediaInfo> At(std::size_t index) const;
    bool UpdateAt(std::size_t index, const CMediaInfo& record);
    bool RemoveAt(std::size_t index);

    std::size_t Count() const;
    std::vector<CMediaInfo> Snapshot() const;
    // Moves every record out, leaving the catalogue empty (a tool that works on the records and saves them after).
    std::vector<CMediaInfo> TakeAll();

    // Runs use(records) with the lock held, for work that must see one consistent catalogue from start to end
    // (a save). use must not call back into this catalogue.
    template <typename Use>
    decltype(auto) WithRecords(Use&& use) const {
        std::lock_guard lock(mutex_);
        return use(static_cast<const std::vector<CMediaInfo>&>(records_));
    }

private:
    mutable std::mutex mutex_;
    std::vector<CMediaInfo> records_;
};

} // namespace tarnvale
