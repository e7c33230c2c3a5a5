// The folder search's worker.
#include "app/FolderSearch.h"

#include <system_error>
#include <utility>

namespace tarnvale {

bool FolderSearch::Start(const std::string& folder, HWND window) {
    if (Running())
        return false;
    cancel_ = false;
    progressPending_ = false;
    try {
        worker_ = std::thread([this, folder, window] { Run(folder, window); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void FolderSearch::Stop() {
    if (!worker_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        cancel_ = true;
        pendingTell_.reset();
    }
    wake_.notify_all();
    worker_.join();
}

void FolderSearch::Run(std::string folder, HWND window) {
    FolderSearchHooks hooks;
    hooks.cancel = &cancel_;
    hooks.add = [this, window](const CMediaInfo& record) {
        if (QueueFind(record))
            PostMessageA(window, kSearchRowsMessage, 0, 0);
    };
    hooks.progress = [this, window](const FolderSearchProgress& progress) {
        // One progress message in the queue at a time: a fast walk must not flood the window.
        if (progressPending_.exchange(true))
            return;
        if (!PostMessageA(window, kSearchProgressMessage, progress.filesSeen,
                          static_cast<LPARAM>(progress.programsAdded)))
            progressPending_ = false;
    };
    hooks.tell = [this, window](const char* text) { TellAndWait(window, text); };
    // A search meets many files: the message names the one it is about.
    hooks.refused = [this, window](const std::string& path, const char* text) {
        TellAndWait(window, (std::string(text) + "\n\n" + path).c_str());
    };
    SearchFolderNumbered(folder, pidCounter_, hooks);
    PostMessageA(window, kSearchDoneMessage, 0, 0);
}

std::vector<CMediaInfo> FolderSearch::TakeFinds() {
    std::lock_guard lock(mutex_);
    return std::exchange(finds_, {});
}

bool FolderSearch::QueueFind(const CMediaInfo& record) {
    std::lock_guard lock(mutex_);
    finds_.push_back(record);
    return finds_.size() == 1;
}

void FolderSearch::TellAndWait(HWND window, const char* text) {
    auto tell = std::make_shared<Tell>();
    tell->text = text;
    std::unique_lock lock(mutex_);
    if (cancel_)
        return;
    pendingTell_ = tell;
    if (!PostMessageA(window, kSearchTellMessage, 0, 0)) {
        pendingTell_.reset();
        return;
    }
    wake_.wait(lock, [&] { return tell->answered || cancel_; });
}

} // namespace tarnvale
