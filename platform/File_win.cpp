// Win32 file services (ANSI paths, as the rest of the system uses).
#include "platform/File.h"

#include "platform/FileTestSeam.h"
#include "platform/SaveTemporaryFile.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace tarnvale::platform {
namespace {

void Capture(SystemError* error, const std::string& what, DWORD code) {
    if (error)
        *error = MakeSystemError(static_cast<int>(code), what);
}

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() { reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool reset() {
        bool ok = true;
        if (valid())
            ok = CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)) != 0;
        return ok;
    }

private:
    HANDLE h_;
};

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
HANDLE CreateTemporary(const std::string& temp, const SaveTestSeam* seam) {
    if (seam && seam->refuseTemporaryFile) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return FailAfterRefusal(error, refused, "nor can " + path + " be opened to rewrite it in place",
                                GetLastError());
    LARGE_INTEGER old{};
    if (GetFileSizeEx(file.get(), &old) && static_cast<std::uint64_t>(old.QuadPart) < bytes.size() &&
        !SetLength(file.get(), bytes.size()))
        return FailAfterRefusal(error, refused, "nor is there room to rewrite " + path + " in place", GetLastError());
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) || !WriteAll(file.get(), bytes) ||
        !SetLength(file.get(), bytes.size()) || !FlushFileBuffers(file.get()))
        return FailAfterRefusal(error, refused, "rewriting " + path + " in place failed part-way", GetLastError());
    return true;
}

} // namespace

ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, SystemError* error) {
    bytes.clear();
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        DWORD code = GetLastError();
        Capture(error, "cannot open " + path, code);
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ReadResult::NotFound
                                                                            : ReadResult::CannotOpen;
    }
    // Read straight into a buffer of the file's size; a file that grows meanwhile is read to its new end.
    LARGE_INTEGER size{};
    bytes.resize(GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 ? static_cast<std::size_t>(size.QuadPart) + 1
                                                                       : 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        DWORD n = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
        if (!ReadFile(file.get(), bytes.data() + filled, want, &n, nullptr)) {
            Capture(error, "cannot read " + path, GetLastError());
            bytes.clear();
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        filled += n;
    }
    bytes.resize(filled);
    return ReadResult::Ok;
}

bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes, SystemError* error) {
    RemoveInterruptedSaves(path);
    const SaveTestSeam* seam = SaveTestSeamInForce();
    const std::string temp = SaveTemporaryName(path, GetCurrentProcessId());
    // A clean-up elsewhere may take the file between its closing and its rename; then it is written afresh.
    for (int attempt = 0; attempt < 3; ++attempt) {
        FileHandle file(CreateTemporary(temp, seam));
        if (!file.valid())
            return RewriteInPlace(path, bytes,
                                  MakeSystemError(static_cast<int>(GetLastError()), "cannot create " + temp), error);
        bool written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
        DWORD code = written ? 0 : GetLastError();
        if (written && seam && seam->whileHeld)
            seam->whileHeld(temp);
        if (!file.reset() && written) {
            written = false;
            code = GetLastError();
        }
        if (!written) {
            Capture(error, "cannot write " + temp, code);
            DeleteFileA(temp.c_str());
            return false;
        }
        if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            continue;
        Capture(error, "cannot replace " + path, code);
        DeleteFileA(temp.c_str());
        return false;
    }
    Capture(error, "cannot keep a temporary file beside " + path + ": something removes it", ERROR_FILE_NOT_FOUND);
    return false;
}

void RemoveUnlessHeld(const std::string& candidate) {
    // A save holds its file open without sharing it, so the system refuses to delete that one.
    DeleteFileA(candidate.c_str());
}

bool RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

} // namespace tarnvale::platform
