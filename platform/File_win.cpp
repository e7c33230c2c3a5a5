// Win32 file services (ANSI paths, as the rest of the system uses).
#include "platform/File.h"

#include "platform/FileHandle_win.h"
#include "platform/SaveSeam.h"
#include "platform/SaveTemporaryFile.h"

#include <windows.h>

#include <algorithm>

namespace tarnvale::platform {
namespace {

void Capture(SystemError* error, DWORD code, const char* verb, const std::string& path) {
    if (error)
        *error = MakeSystemError(static_cast<int>(code), std::string(verb) + " " + path);
}

// Why the call just made failed: the code is read before building the text could change it.
void CaptureLastError(SystemError* error, const char* verb, const std::string& path) {
    Capture(error, GetLastError(), verb, path);
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD n = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &n, nullptr) || n != piece)
            return false;
        done += n;
    }
    return true;
}

bool SetLength(HANDLE file, std::size_t length) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(length);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

// Opens a save's temporary file for writing, shared with nobody: a clean-up cannot delete it while it is open.
UniqueFile CreateTemporary(const std::string& temp) {
    if (!SaveMayCreateTemporary()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return UniqueFile();
    }
    return OwnFile(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// "what: reason" after the refusal that sent a save to rewrite in place.
bool FailAfterRefusal(SystemError* error, const SystemError& refused, const std::string& what, DWORD code) {
    if (error)
        *error = SystemError{static_cast<int>(code),
                             refused.message + "; " + what + ": " + SystemErrorText(static_cast<int>(code))};
    return false;
}

// The fallback of a save that could not create its temporary file; not safe against a crash part-way, but the
// only way to save where the folder takes no new files (C:\ for a standard user).
bool RewriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes, const SystemError& refused,
                    SystemError* error) {
    const UniqueFile file = OwnFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return FailAfterRefusal(error, refused, "nor can " + path + " be opened to rewrite it in place",
                                GetLastError());
    LARGE_INTEGER old{};
    if (GetFileSizeEx(AsHandle(file), &old) && static_cast<std::uint64_t>(old.QuadPart) < bytes.size() &&
        !SetLength(AsHandle(file), bytes.size()))
        return FailAfterRefusal(error, refused, "nor is there room to rewrite " + path + " in place", GetLastError());
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(AsHandle(file), start, nullptr, FILE_BEGIN) || !WriteAll(AsHandle(file), bytes) ||
        !SetLength(AsHandle(file), bytes.size()) || !FlushFileBuffers(AsHandle(file)))
        return FailAfterRefusal(error, refused, "rewriting " + path + " in place failed part-way", GetLastError());
    return true;
}

} // namespace

void FileTraits::Release(NativeFile file) {
    CloseHandle(reinterpret_cast<HANDLE>(file));
}

UniqueFile OpenForReading(const std::string& path, SystemError* error) {
    UniqueFile file =
        OwnFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        CaptureLastError(error, "cannot open", path);
    return file;
}

bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes, SystemError* error) {
    RemoveInterruptedSaves(path);
    const std::string temp = SaveTemporaryName(path, GetCurrentProcessId());
    // A clean-up elsewhere may take the file between its closing and its rename; then it is written afresh.
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFile file = CreateTemporary(temp);
        if (!file)
            return RewriteInPlace(path, bytes,
                                  MakeSystemError(static_cast<int>(GetLastError()), "cannot create " + temp), error);
        bool written = WriteAll(AsHandle(file), bytes) && FlushFileBuffers(AsHandle(file));
        DWORD code = written ? 0 : GetLastError();
        if (written)
            SaveHoldsTemporary(temp);
        // Closed by hand, since a write the system deferred can still fail here.
        if (!CloseHandle(reinterpret_cast<HANDLE>(file.release())) && written) {
            written = false;
            code = GetLastError();
        }
        if (!written) {
            Capture(error, code, "cannot write", temp);
            DeleteFileA(temp.c_str());
            return false;
        }
        if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            continue;
        Capture(error, code, "cannot replace", path);
        DeleteFileA(temp.c_str());
        return false;
    }
    Capture(error, ERROR_FILE_NOT_FOUND, "cannot keep a temporary file beside", path);
    return false;
}

void RemoveUnlessHeld(const std::string& candidate) {
    // A save holds its file open without sharing it, so the system refuses to delete that one.
    DeleteFileA(candidate.c_str());
}

FileStatus LookAtFile(const char* path) {
    FileStatus status;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        status.state =
            IsNotFound(static_cast<int>(GetLastError())) ? FileStatus::State::Missing : FileStatus::State::Unreadable;
        return status;
    }
    status.state = FileStatus::State::Found;
    status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime);
    status.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return status;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

} // namespace tarnvale::platform
