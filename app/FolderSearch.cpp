// The folder search's worker.
#include "app/FolderSearch.h"

#include "core/ListFile.h"

#include "media/FolderWalk.h"

#include <system_error>
#include <utility>

namespace tarnvale {

bool FolderSearch::Start(const std::string& folder, const FolderSearchTarget& target) {
    if (Running())
        return false;
    cancel_ = false;
    progressPending_ = false;
    try {
        worker_ = std::thread([this, folder, target] { Run(folder, target); });
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

void FolderSearch::Run(std::string folder, FolderSearchTarget target) {
    FolderWalkHooks hooks;
    hooks.cancel = &cancel_;
    hooks.add = [this, &target](const CMediaInfo& record) {
        std::lock_guard order(*target.rowOrder);
        target.catalogue->Append(record);
        if (QueueRow(record))
            PostMessageA(target.window, kSearchRowsMessage, 0, 0);
    };
    hooks.progress = [this, &target](const FolderWalkProgress& progress) {
        // One progress message in the queue at a time: a fast walk must not flood the window.
        if (progressPending_.exchange(true))
            return;
        if (!PostMessageA(target.window, kSearchProgressMessage, progress.filesSeen,
                          static_cast<LPARAM>(progress.programsAdded)))
            progressPending_ = false;
    };
    hooks.tell = [this, &target](const char* text) { TellAndWait(target.window, text); };
    // A search meets many files: the message names the one it is about.
    hooks.refused = [this, &target](const std::string& path, const char* text) {
        TellAndWait(target.window, (std::string(text) + "\n\n" + path).c_str());
    };
    WalkFolder(folder, *target.pidCounter, hooks);
    if (target.saveWhenDone)
        SaveListFile(target.listFilePath, *target.catalogue);
    PostMessageA(target.window, kSearchDoneMessage, 0, 0);
}

std::vector<CMediaInfo> FolderSearch::TakeRows() {
    std::lock_guard lock(mutex_);
    return std::exchange(rows_, {});
}

bool FolderSearch::QueueRow(const CMediaInfo& record) {
    std::lock_guard lock(mutex_);
    rows_.push_back(record);
    return rows_.size() == 1;
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
