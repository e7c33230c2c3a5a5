// Windows files to send: opened by their ANSI path, handed to the library as a C runtime descriptor over the handle.
#include "platform/SentFile.h"

#include "platform/FileHandle_win.h"
#include "platform/SystemError.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace tarnvale::platform {

namespace {

// FILETIME counts 100-nanosecond steps from 1601; 1970 is this many steps later.
constexpr std::uint64_t kStepsTo1970 = 116444736000000000ull;

} // namespace

SentFile OpenForSending(const std::string& path, std::string& reason) {
    SentFile sent;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open; a pipe or device is not a disk file.
    sent.file =
        OwnFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!sent.file) {
        reason = SystemErrorText(static_cast<int>(GetLastError()));
    } else if (GetFileType(AsHandle(sent.file)) != FILE_TYPE_DISK) {
        reason = "it is not a regular file";
        sent.file.reset();
    } else if (!GetFileInformationByHandle(AsHandle(sent.file), &info)) {
        reason = SystemErrorText(static_cast<int>(GetLastError()));
        sent.file.reset();
    } else {
        sent.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        const std::uint64_t steps = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                    info.ftLastWriteTime.dwLowDateTime;
        const std::int64_t since1970 = static_cast<std::int64_t>(steps - kStepsTo1970);
        sent.modifiedSeconds = since1970 / 10000000;
        sent.modifiedNanoseconds = (since1970 % 10000000) * 100;
    }
    return sent;
}

int HandOverAsDescriptor(UniqueFile file) {
    const int descriptor = _open_osfhandle(static_cast<intptr_t>(file.get()), _O_RDONLY | _O_BINARY);
    if (descriptor >= 0)
        file.release(); // the descriptor owns the handle now, and closing it closes the handle
    return descriptor;
}

void CloseDescriptor(int descriptor) {
    if (descriptor >= 0)
        _close(descriptor);
}

} // namespace tarnvale::platform
