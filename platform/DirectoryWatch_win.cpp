// Windows folder watching: ReadDirectoryChangesW on each watched folder's whole tree, overlapped, so that one wait
// covers every folder and the wake event. A wait takes at most 63 folders (one slot is the wake event); more are
// refused as NoMoreWatches, and the watcher rescans for those.
#include "platform/DirectoryWatch.h"

#include "platform/Event_win.h"
#include "platform/FileHandle_win.h"

#include <windows.h>

#include <vector>

namespace tarnvale::platform {
namespace {

constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                          FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SECURITY;
constexpr std::size_t kMostFolders = MAXIMUM_WAIT_OBJECTS - 1;

std::string Narrow(const wchar_t* wide, int length) {
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, length, text.data(), size, nullptr, nullptr);
    return text;
}

struct Folder {
    std::string path;
    UniqueFile handle;
    UniqueEvent done;
    OVERLAPPED overlapped{};
    std::vector<DWORD> buffer = std::vector<DWORD>(16 * 1024); // DWORD-aligned, as the call needs
};

bool Arm(Folder& folder) {
    folder.overlapped = OVERLAPPED{};
    folder.overlapped.hEvent = folder.done.get();
    return ReadDirectoryChangesW(AsHandle(folder.handle), folder.buffer.data(),
                                 static_cast<DWORD>(folder.buffer.size() * sizeof(DWORD)), TRUE, kFilter, nullptr,
                                 &folder.overlapped, nullptr) != 0;
}

} // namespace

struct DirectoryWatch::State {
    UniqueEvent wake;
    std::vector<std::unique_ptr<Folder>> folders;
};

DirectoryWatch::DirectoryWatch() = default;

DirectoryWatch::~DirectoryWatch() {
    if (!state_)
        return;
    for (auto& folder : state_->folders) {
        CancelIoEx(AsHandle(folder->handle), &folder->overlapped);
        DWORD ignored = 0;
        GetOverlappedResult(AsHandle(folder->handle), &folder->overlapped, &ignored, TRUE);
    }
}

bool DirectoryWatch::Open(SystemError* error) {
    auto state = std::make_unique<State>();
    state->wake.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!state->wake) {
        if (error)
            *error = MakeSystemError(static_cast<int>(GetLastError()), "cannot watch folders");
        return false;
    }
    state_ = std::move(state);
    return true;
}

bool DirectoryWatch::CoversTree() const {
    return true;
}

// Not every system that runs Windows programs delivers these notices (Wine delivered none in our runs).
bool DirectoryWatch::MayMissChanges() const {
    return true;
}

DirectoryWatch::Added DirectoryWatch::Add(const std::string& path, SystemError* error) {
    if (state_->folders.size() >= kMostFolders) {
        if (error)
            *error = SystemError{0, "cannot watch more than " + std::to_string(kMostFolders) + " folders at once"};
        return Added::NoMoreWatches;
    }
    auto folder = std::make_unique<Folder>();
    folder->path = path;
    folder->handle =
        OwnFile(CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    folder->done.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!folder->handle || !folder->done || !Arm(*folder)) {
        if (error)
            *error = MakeSystemError(static_cast<int>(GetLastError()), "cannot watch " + path);
        return Added::Failed;
    }
    state_->folders.push_back(std::move(folder));
    return Added::Yes;
}

DirectoryWatch::Event DirectoryWatch::Wait(int timeoutMs, std::vector<DirectoryNotice>& notices, SystemError* error) {
    std::vector<HANDLE> handles{state_->wake.get()};
    for (auto& folder : state_->folders)
        handles.push_back(folder->done.get());
    const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE,
                                                timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (result == WAIT_TIMEOUT)
        return Event::TimedOut;
    if (result == WAIT_OBJECT_0)
        return Event::Woken;
    if (result == WAIT_FAILED || result >= WAIT_OBJECT_0 + handles.size()) {
        if (error)
            *error = MakeSystemError(static_cast<int>(GetLastError()), "cannot wait for changes");
        return Event::Failed;
    }
    Folder& folder = *state_->folders[result - WAIT_OBJECT_0 - 1];
    DWORD bytes = 0;
    const bool read = GetOverlappedResult(AsHandle(folder.handle), &folder.overlapped, &bytes, FALSE) != 0;
    ResetEvent(folder.done.get());
    if (!read || bytes == 0) {
        // The buffer overflowed (or the folder went away): what happened is unknown.
        notices.push_back({DirectoryNotice::Kind::Overflow, {}});
    } else {
        const auto* base = reinterpret_cast<const std::uint8_t*>(folder.buffer.data());
        for (DWORD at = 0;;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + at);
            const std::string path = folder.path + (folder.path.back() == '\\' ? "" : "\\") +
                                     Narrow(info->FileName, static_cast<int>(info->FileNameLength / sizeof(WCHAR)));
            const bool gone = info->Action == FILE_ACTION_REMOVED || info->Action == FILE_ACTION_RENAMED_OLD_NAME;
            notices.push_back({gone ? DirectoryNotice::Kind::Gone : DirectoryNotice::Kind::Changed, path});
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
    }
    if (!Arm(folder)) {
        if (error)
            *error = MakeSystemError(static_cast<int>(GetLastError()), "cannot go on watching " + folder.path);
        return Event::Failed;
    }
    return Event::Notices;
}

void DirectoryWatch::Wake() {
    SetEvent(state_->wake.get());
}

} // namespace tarnvale::platform
