// Reading and writing the list file.
#include "core/ListFile.h"

#include "core/ByteReader.h"
#include "core/ByteWriter.h"
#include "platform/File.h"

#include <algorithm>
#include <cstring>

namespace tarnvale {
namespace {

constexpr std::uint8_t kLongLength = 0xFF;
constexpr std::uint16_t kLongerLength = 0xFFFF;
constexpr std::size_t kIntegerBytes = 5 * 4;

bool Fail(ListFileLoad* load, std::int64_t record, std::size_t offset, std::string what) {
    if (load) {
        load->failedRecord = record;
        load->failedOffset = offset;
        load->error = std::move(what);
    }
    return false;
}

bool ReadLength(ByteReader& in, std::uint32_t& length) {
    std::uint8_t first;
    if (!in.U8(first))
        return false;
    if (first != kLongLength) {
        length = first;
        return true;
    }
    std::uint16_t middle;
    if (!in.U16LE(middle))
        return false;
    if (middle != kLongerLength) {
        length = middle;
        return true;
    }
    return in.U32LE(length);
}

void WriteLength(ByteWriter& out, std::size_t length) {
    if (length < kLongLength) {
        out.U8(static_cast<std::uint8_t>(length));
    } else if (length < kLongerLength - 1u) {
        out.U8(kLongLength);
        out.U16LE(static_cast<std::uint16_t>(length));
    } else {
        out.U8(kLongLength);
        out.U16LE(kLongerLength);
        out.U32LE(static_cast<std::uint32_t>(length));
    }
}

} // namespace

bool ParseListFile(std::span<const std::uint8_t> bytes, std::vector<CMediaInfo>& records, ListFileLoad* load) {
    ByteReader in(bytes);
    std::int32_t count;
    if (!in.I32LE(count))
        return Fail(load, 0, in.Offset(),
                    "the file ends before its record count (" + std::to_string(bytes.size()) + " bytes)");
    // Every record takes at least 21 bytes, so what is left bounds how many can follow, whatever the count says.
    constexpr std::size_t kSmallestRecord = 1 + kIntegerBytes;
    records.reserve(records.size() + std::min<std::size_t>(count > 0 ? count : 0, in.Remaining() / kSmallestRecord));
    for (std::int32_t index = 0; index < count; ++index) {
        const std::int64_t number = index + 1;
        const std::size_t start = in.Offset();
        std::uint32_t length;
        if (!ReadLength(in, length))
            return Fail(load, number, in.Offset(),
                        "the file ends inside the path length of record " + std::to_string(number) + " of " +
                            std::to_string(count));
        if (length > in.Remaining())
            return Fail(load, number, in.Offset(),
                        "record " + std::to_string(number) + " announces a path of " + std::to_string(length) +
                            " bytes, but only " + std::to_string(in.Remaining()) + " bytes are left");
        CMediaInfo& record = records.emplace_back();
        const bool fits = length <= kMaxPathBytes;
        if (fits)
            in.Bytes(record.m_szFile, length);
        else
            in.Skip(length);
        if (!in.I32LE(record.m_nPID) || !in.I32LE(record.m_nType) || !in.I32LE(record.m_nSize) ||
            !in.I32LE(record.m_nExtra) || !in.I32LE(record.m_nTailOffset)) {
            records.pop_back();
            return Fail(load, number, in.Offset(),
                        "the file ends inside record " + std::to_string(number) + " of " + std::to_string(count) +
                            " (which starts at byte " + std::to_string(start) + ")");
        }
        if (!fits) {
            records.pop_back();
            if (load)
                ++load->recordsSkipped;
            continue;
        }
        if (load)
            ++load->recordsLoaded;
    }
    return true;
}

void EncodeListFileRecord(const CMediaInfo& record, std::vector<std::uint8_t>& bytes) {
    ByteWriter out(bytes);
    const std::string_view path = record.Path();
    WriteLength(out, path.size());
    out.Bytes(path.data(), path.size());
    out.I32LE(record.m_nPID);
    out.I32LE(record.m_nType);
    out.I32LE(record.m_nSize);
    out.I32LE(record.m_nExtra);
    out.I32LE(record.m_nTailOffset);
}

std::vector<std::uint8_t> EncodeListFile(std::span<const CMediaInfo> records) {
    std::vector<std::uint8_t> bytes;
    std::size_t size = 4;
    for (const CMediaInfo& record : records)
        size += record.Path().size() + 3 + kIntegerBytes;
    bytes.reserve(size);
    ByteWriter(bytes).I32LE(static_cast<std::int32_t>(records.size()));
    for (const CMediaInfo& record : records)
        EncodeListFileRecord(record, bytes);
    return bytes;
}

platform::ReadResult ReadListFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, ListFileLoad* load) {
    platform::SystemError error;
    const platform::ReadResult result = platform::ReadWholeFile(path, bytes, &error);
    if (!load)
        return result;
    switch (result) {
    case platform::ReadResult::NotFound:
        load->fileMissing = true;
        break;
    case platform::ReadResult::CannotOpen:
        load->cannotOpen = true;
        load->error = platform::SystemErrorText(error.code);
        break;
    case platform::ReadResult::Failed:
        load->error = error.message;
        break;
    case platform::ReadResult::Ok:
        break;
    }
    return result;
}

bool LoadListFile(const std::string& path, CMediaInfoList& list, ListFileLoad* load) {
    list.RemoveAll();
    platform::RemoveInterruptedSaves(path);
    std::vector<std::uint8_t> bytes;
    const platform::ReadResult read = ReadListFileBytes(path, bytes, load);
    if (read != platform::ReadResult::Ok)
        return read == platform::ReadResult::NotFound;
    std::vector<CMediaInfo> records;
    const bool ok = ParseListFile(bytes, records, load);
    list.Assign(std::move(records));
    return ok;
}

std::string FailedLoadText(const std::string& path, const ListFileLoad& load) {
    if (load.cannotOpen)
        return "cannot open the list file " + path + ": " + load.error;
    std::string text = "cannot read the list file " + path + " to its end: " + load.error;
    // Record 0 is the count that leads the file; -1 is a read the system failed, which has no place in the file.
    if (load.failedRecord > 0)
        text += " (record " + std::to_string(load.failedRecord) + ", byte offset " + std::to_string(load.failedOffset) +
                ")";
    else if (load.failedRecord == 0)
        text += " (byte offset " + std::to_string(load.failedOffset) + ")";
    return text;
}

std::string TooLongText(const std::string& path, const ListFileLoad& load) {
    return std::to_string(load.recordsSkipped) + " record(s) of the list file " + path + " have paths longer than " +
           std::to_string(kMaxPathBytes) + " characters";
}

bool SaveListFile(const std::string& path, const CMediaInfoList& list, platform::SystemError* error) {
    return list.WithRecords([&](const std::vector<CMediaInfo>& records) {
        return platform::ReplaceFileContents(path, EncodeListFile(records), error);
    });
}

} // namespace tarnvale
