// CMediaInfoList: the catalogue's operations, each under the lock.
#include "core/MediaInfoList.h"

#include "platform/Text.h"

#include <algorithm>
#include <utility>

namespace tarnvale {
namespace {

template <typename Records>
auto FirstWithPath(Records& records, const char* path) {
    return std::find_if(records.begin(), records.end(), [path](const CMediaInfo& record) {
        return platform::EqualsIgnoringCase(record.m_szFile, path);
    });
}

} // namespace

void CMediaInfoList::Append(const CMediaInfo& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
}

void CMediaInfoList::AppendAll(std::vector<CMediaInfo> records) {
    std::lock_guard lock(mutex_);
    if (records_.empty())
        records_ = std::move(records);
    else
        records_.insert(records_.end(), records.begin(), records.end());
}

void CMediaInfoList::Assign(std::vector<CMediaInfo> records) {
    std::lock_guard lock(mutex_);
    records_ = std::move(records);
}

void CMediaInfoList::RemoveAll() {
    std::lock_guard lock(mutex_);
    records_.clear();
}

std::optional<CMediaInfo> CMediaInfoList::FindByPath(const char* path) const {
    std::lock_guard lock(mutex_);
    auto found = FirstWithPath(records_, path);
    if (found == records_.end())
        return std::nullopt;
    return *found;
}

std::optional<CMediaInfo> CMediaInfoList::FindByPid(std::int32_t pid) const {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(records_.begin(), records_.end(),
                              [pid](const CMediaInfo& record) { return record.m_nPID == pid; });
    if (found == records_.end())
        return std::nullopt;
    return *found;
}

bool CMediaInfoList::UpdateByPath(const char* path, const CMediaInfo& record) {
    std::lock_guard lock(mutex_);
    auto found = FirstWithPath(records_, path);
    if (found == records_.end())
        return false;
    *found = record;
    return true;
}

bool CMediaInfoList::RemoveByPath(const char* path) {
    std::lock_guard lock(mutex_);
    auto found = FirstWithPath(records_, path);
    if (found == records_.end())
        return false;
    records_.erase(found);
    return true;
}

std::optional<CMediaInfo> CMediaInfoList::At(std::size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= records_.size())
        return std::nullopt;
    return records_[index];
}

bool CMediaInfoList::UpdateAt(std::size_t index, const CMediaInfo& record) {
    std::lock_guard lock(mutex_);
    if (index >= records_.size())
        return false;
    records_[index] = record;
    return true;
}

bool CMediaInfoList::RemoveAt(std::size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= records_.size())
        return false;
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::size_t CMediaInfoList::Count() const {
    std::lock_guard lock(mutex_);
    return records_.size();
}

std::vector<CMediaInfo> CMediaInfoList::TakeAll() {
    std::lock_guard lock(mutex_);
    return std::exchange(records_, {});
}

std::vector<CMediaInfo> CMediaInfoList::Snapshot() const {
    std::lock_guard lock(mutex_);
    return records_;
}

} // namespace tarnvale
