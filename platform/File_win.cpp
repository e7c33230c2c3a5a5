// Win32 file services (ANSI paths, as the rest of the system uses).
#include "platform/File.h"

#include "platform/FileHandle_win.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <thread>

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

bool IsMissing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
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

ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, SystemError* error) {
    bytes.clear();
    SystemError opening;
    const UniqueFile file = OpenForReading(path, &opening);
    if (!file) {
        if (error)
            *error = opening;
        return IsMissing(static_cast<DWORD>(opening.code)) ? ReadResult::NotFound : ReadResult::Failed;
    }
    // Read straight into a buffer of the file's size; a file that grows meanwhile is read to its new end.
    LARGE_INTEGER size{};
    bytes.resize(GetFileSizeEx(AsHandle(file), &size) && size.QuadPart > 0 ? static_cast<std::size_t>(size.QuadPart) + 1
                                                                           : 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        DWORD n = 0;
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
        if (!ReadFile(AsHandle(file), bytes.data() + filled, want, &n, nullptr)) {
            CaptureLastError(error, "cannot read", path);
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
    // A name of this thread's own, so that two savers never write into one temporary file.
    const std::string temp = path + ".tmp." + std::to_string(GetCurrentProcessId()) + "." +
                             std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    UniqueFile file =
        OwnFile(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        CaptureLastError(error, "cannot create", temp);
        return false;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD n = 0;
        written = WriteFile(AsHandle(file), bytes.data() + done, piece, &n, nullptr) && n == piece;
        done += n;
    }
    written = written && FlushFileBuffers(AsHandle(file));
    DWORD code = written ? 0 : GetLastError();
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
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        CaptureLastError(error, "cannot replace", path);
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

} // namespace tarnvale::platform
