// ProgramReader: a program's file in the order the stream sends it: the tail block first, when the record has
// one, then the whole file from its first byte. The file is read ahead in large blocks and handed out in pieces,
// and the program may be replaced while a worker reads.
#pragma once

#include "core/MediaInfo.h"
#include "platform/FileReader.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tarnvale {

class ProgramReader {
public:
    // Copies record, closes the open file and opens record's file. Reading goes on with the new file's first
    // byte, and a tail block under way is over; false when the file cannot be opened (nothing is read then).
    bool Open(const CMediaInfo& record);
    void Close();
    bool IsOpen() const;
    CMediaInfo Program() const;

    // Puts the read position where a stream starts: at the tail block when the program has one, otherwise at
    // the file's first byte.
    void Rewind();
    // The next bytes of the tail block: none once it is over, or when Open has replaced the file meanwhile.
    std::size_t ReadTail(std::uint8_t* buffer, std::size_t size);
    // Leaves the tail block, wherever it stands: the file follows from its first byte.
    void EndTail();
    // The next bytes of the file; 0 at the end, on a read error or without a file.
    std::size_t ReadPiece(std::uint8_t* buffer, std::size_t size);

private:
    // Open may come from another thread while a worker reads.
    mutable std::mutex mutex_;
    CMediaInfo program_;
    platform::FileReader file_;
    std::uint64_t position_ = 0; // where the next read starts
    std::uint64_t tailEnd_ = 0;  // while the tail block is being read, where it ends; 0 otherwise
    // The file's bytes from readAheadAt_ on, read in one system call for many pieces.
    std::vector<std::uint8_t> readAhead_;
    std::uint64_t readAheadAt_ = 0;
    std::size_t readAheadBytes_ = 0;
};

} // namespace tarnvale
