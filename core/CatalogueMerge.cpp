// Merging by path: an index of folded paths over the records, each hit confirmed by the platform's own rule.
#include "core/CatalogueMerge.h"

#include "platform/Text.h"

#include <algorithm>

namespace tarnvale {
namespace {

std::int32_t Following(std::int32_t pid) {
    // Wraps like the 32-bit counter it is, without overflowing a signed value.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pid) + 1u);
}

} // namespace

PathIndex::PathIndex(const std::vector<CMediaInfo>& records) : records_(records) {
    positions_.reserve(records.size());
    for (std::size_t at = 0; at < records.size(); ++at)
        positions_[Key(records[at].Path())].push_back(at);
}

// ASCII letters folded: every rule the platform compares by folds at least these, so equal paths share a key.
std::string PathIndex::Key(std::string_view path) {
    std::string key(path);
    for (char& c : key)
        c = platform::LowerAscii(c);
    return key;
}

std::size_t PathIndex::Find(std::string_view path) const {
    const auto found = positions_.find(Key(path));
    if (found == positions_.end())
        return kNone;
    const std::string wanted(path);
    for (std::size_t at : found->second)
        if (platform::EqualsIgnoringCase(records_[at].m_szFile, wanted.c_str()))
            return at;
    return kNone;
}

void PathIndex::Placed(std::size_t at) {
    auto& list = positions_[Key(records_[at].Path())];
    list.insert(std::upper_bound(list.begin(), list.end(), at), at);
}

void PathIndex::Dropped(std::size_t at) {
    auto& list = positions_[Key(records_[at].Path())];
    list.erase(std::remove(list.begin(), list.end(), at), list.end());
}

std::int32_t NextSearchPid(std::span<const CMediaInfo> records) {
    std::int32_t largest = kFirstSearchPid - 1;
    for (const CMediaInfo& record : records)
        largest = std::max(largest, record.m_nPID);
    return Following(largest);
}

SearchMerge MergeFound(std::vector<CMediaInfo>& records, std::span<const CMediaInfo> found,
                       std::optional<std::int32_t> firstPid) {
    SearchMerge merge;
    std::int32_t next = firstPid ? std::max(*firstPid, kFirstSearchPid) : NextSearchPid(records);
    merge.firstPid = next;
    records.reserve(records.size() + found.size());
    PathIndex index(records);
    for (const CMediaInfo& record : found) {
        if (index.Find(record.Path()) != PathIndex::kNone) {
            ++merge.already;
            continue;
        }
        records.push_back(record);
        records.back().m_nPID = next;
        index.Placed(records.size() - 1);
        merge.lastPid = next;
        next = Following(next);
        ++merge.added;
    }
    return merge;
}

std::vector<AppliedChange> ApplyChanges(std::vector<CMediaInfo>& records, std::span<const CatalogueChange> changes) {
    std::vector<AppliedChange> applied;
    std::int32_t next = NextSearchPid(records);
    records.reserve(records.size() + changes.size());
    PathIndex index(records);
    std::vector<bool> dropped(records.size(), false);
    const auto add = [&](const CMediaInfo& record) {
        records.push_back(record);
        records.back().m_nPID = next;
        next = Following(next);
        dropped.push_back(false);
        index.Placed(records.size() - 1);
        applied.push_back({CatalogueChange::Kind::Add, records.back(), {}});
    };
    const auto drop = [&](std::size_t at) {
        index.Dropped(at);
        dropped[at] = true;
        applied.push_back({CatalogueChange::Kind::Remove, records[at], std::string(records[at].Path())});
    };
    // Size, type and tail offset from the probe; PID and extra value stay.
    const auto update = [&](std::size_t at, const CMediaInfo& probed, CatalogueChange::Kind kind, std::string from) {
        CMediaInfo record = probed;
        record.m_nPID = records[at].m_nPID;
        record.m_nExtra = records[at].m_nExtra;
        index.Dropped(at);
        records[at] = record;
        index.Placed(at);
        applied.push_back({kind, record, std::move(from)});
    };
    for (const CatalogueChange& change : changes) {
        switch (change.kind) {
        case CatalogueChange::Kind::Add:
        case CatalogueChange::Kind::Update: {
            const std::size_t at = index.Find(change.record.Path());
            if (at == PathIndex::kNone)
                add(change.record);
            else
                update(at, change.record, CatalogueChange::Kind::Update, {});
            break;
        }
        case CatalogueChange::Kind::Move: {
            const std::size_t at = index.Find(change.from);
            const std::size_t there = index.Find(change.record.Path());
            if (at == PathIndex::kNone && there == PathIndex::kNone)
                add(change.record);
            else if (at == PathIndex::kNone)
                update(there, change.record, CatalogueChange::Kind::Update, {});
            else {
                // Moved over another catalogued file: that program goes, the moved one keeps its PID.
                if (there != PathIndex::kNone && there != at)
                    drop(there);
                update(at, change.record, CatalogueChange::Kind::Move, change.from);
            }
            break;
        }
        case CatalogueChange::Kind::Remove: {
            const std::size_t at = index.Find(change.from);
            if (at != PathIndex::kNone)
                drop(at);
            break;
        }
        }
    }
    std::size_t kept = 0;
    for (std::size_t at = 0; at < records.size(); ++at)
        if (!dropped[at])
            records[kept++] = records[at];
    records.resize(kept);
    return applied;
}

} // namespace tarnvale
