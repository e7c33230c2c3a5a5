// Reading a program's file for its stream.
#include "net/ProgramReader.h"

#include <algorithm>
#include <cstring>

namespace tarnvale {
namespace {

// The file is read this much at a time and handed out in pieces from there: one system read per many pieces.
constexpr std::size_t kReadAheadBytes = 64 * 1024;

} // namespace

bool ProgramReader::Open(const CMediaInfo& record) {
    platform::FileReader file;
    const bool opened = file.Open(record.m_szFile);
    std::lock_guard lock(mutex_);
    program_ = record;
    file_ = std::move(file);
    position_ = 0;
    tailEnd_ = 0;
    readAheadBytes_ = 0;
    return opened;
}

void ProgramReader::Close() {
    std::lock_guard lock(mutex_);
    file_.Close();
}

bool ProgramReader::IsOpen() const {
    std::lock_guard lock(mutex_);
    return file_.IsOpen();
}

CMediaInfo ProgramReader::Program() const {
    std::lock_guard lock(mutex_);
    return program_;
}

void ProgramReader::Rewind() {
    std::lock_guard lock(mutex_);
    const std::int64_t offset = program_.m_nTailOffset;
    const std::int64_t end = program_.m_nSize;
    const bool tail = file_.IsOpen() && offset > 0 && offset < end;
    position_ = tail ? static_cast<std::uint64_t>(offset) : 0;
    tailEnd_ = tail ? static_cast<std::uint64_t>(end) : 0;
}

std::size_t ProgramReader::ReadTail(std::uint8_t* buffer, std::size_t size) {
    std::lock_guard lock(mutex_);
    if (tailEnd_ == 0 || !file_.IsOpen())
        return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(tailEnd_ - position_, size));
    std::size_t got = 0;
    if (!file_.ReadAt(position_, buffer, want, got))
        got = 0;
    position_ += got;
    // A file shorter than its record gives only the bytes it has.
    if (got < want || position_ >= tailEnd_) {
        position_ = 0;
        tailEnd_ = 0;
    }
    return got;
}

void ProgramReader::EndTail() {
    // Nothing has been read since an Open meanwhile (only the worker reads), so this is where Open put it too.
    std::lock_guard lock(mutex_);
    position_ = 0;
    tailEnd_ = 0;
}

std::size_t ProgramReader::ReadPiece(std::uint8_t* buffer, std::size_t size) {
    std::lock_guard lock(mutex_);
    if (!file_.IsOpen())
        return 0;
    if (position_ < readAheadAt_ || position_ + size > readAheadAt_ + readAheadBytes_) {
        readAhead_.resize(kReadAheadBytes);
        readAheadAt_ = position_;
        if (!file_.ReadAt(position_, readAhead_.data(), readAhead_.size(), readAheadBytes_))
            readAheadBytes_ = 0;
    }
    const std::size_t from = static_cast<std::size_t>(position_ - readAheadAt_);
    const std::size_t got = std::min(size, readAheadBytes_ - from);
    std::memcpy(buffer, readAhead_.data() + from, got);
    position_ += got;
    return got;
}

} // namespace tarnvale
