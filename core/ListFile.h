// The list file: the catalogue between runs. Little-endian: a 32-bit record count, then per record the path's
// length (1, 3 or 7 bytes), the path's bytes, and PID, type, size, extra and tail offset as 32-bit integers.
#pragma once

#include "core/MediaInfo.h"
#include "core/MediaInfoList.h"
#include "platform/File.h"
#include "platform/SystemError.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnvale {

// The Windows program's list file; the headless tools take a path of their own. The backslash is doubled on purpose:
// this is the name the system has always used, kept byte for byte, and Windows reads it as C:\Tarnvale.lst.
inline constexpr const char* kWindowsListFilePath = "C:\\\\Tarnvale.lst";
// The same file as people write it, with one backslash: what the console programs use and show.
inline constexpr const char* kWindowsListFileName = "C:\\Tarnvale.lst";

// What a load found. A failed load keeps the records read before the fault and says where the fault was.
struct ListFileLoad {
    bool fileMissing = false;
    // The file is there but could not be opened (access denied, locked, a folder in its place); error then holds
    // the system's reason.
    bool cannotOpen = false;
    std::size_t recordsLoaded = 0;
    // Records whose path is longer than a record can hold (255 bytes); they are left out, the rest is read.
    std::size_t recordsSkipped = 0;
    // Set when the bytes ended early: the record being read (counted from 1; 0 while reading the count) and the
    // byte offset in the file where reading stopped.
    std::int64_t failedRecord = -1;
    std::size_t failedOffset = 0;
    std::string error;
};

// Parses list-file bytes, appending each record to records. False when the bytes end before the announced
// records are complete; the records before the fault are kept.
bool ParseListFile(std::span<const std::uint8_t> bytes, std::vector<CMediaInfo>& records, ListFileLoad* load);

void EncodeListFileRecord(const CMediaInfo& record, std::vector<std::uint8_t>& out);
std::vector<std::uint8_t> EncodeListFile(std::span<const CMediaInfo> records);

// Reads the list file at path whole into bytes. Anything but Ok is accounted for in load (when given): a missing
// file as fileMissing, one that cannot be opened as cannotOpen with the system's reason, a read error by its text.
platform::ReadResult ReadListFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, ListFileLoad* load);

// Clears the catalogue, then loads it from path. A missing file yields an empty catalogue and true. False for a
// file that cannot be opened, cannot be read or ends early; load (when given) then says what failed. Temporary
// files that interrupted saves left beside path are removed.
bool LoadListFile(const std::string& path, CMediaInfoList& list, ListFileLoad* load = nullptr);

// What a failed load found, in one line: "cannot open the list file PATH: reason", or "cannot read the list file
// PATH to its end: what (record N, byte offset M)". The window, the catalogue tool and the server all say it in
// these words, each adding what it does about it.
std::string FailedLoadText(const std::string& path, const ListFileLoad& load);

// Why the records a load left out matter, in one line: "N record(s) of the list file PATH have paths longer than
// 255 characters". Each program adds what it does about them.
std::string TooLongText(const std::string& path, const ListFileLoad& load);

// Writes the whole catalogue to path. An interrupted save leaves the earlier file whole. Saves from several
// threads are serialised by the catalogue's lock, so the file always holds one consistent catalogue.
bool SaveListFile(const std::string& path, const CMediaInfoList& list, platform::SystemError* error = nullptr);

} // namespace tarnvale
