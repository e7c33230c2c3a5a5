// The folder search's worker: walks a folder tree on a thread of its own, appends every accepted media file to
// the catalogue, and saves the list file at the end. It never calls a window function: rows, progress, the end
// and the probe's messages travel to the window's thread as posted messages.
#pragma once

#include "core/MediaInfo.h"
#include "core/MediaInfoList.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tarnvale {

// Posted to the window. kSearchRowMessage: lParam owns a new CMediaInfo already in the catalogue, for its row.
// kSearchProgressMessage: wParam files looked at, lParam programs added. kSearchTellMessage: the worker waits
// for a message to be shown (AnswerTell). kSearchDoneMessage: the walk and its save are over (Finish).
inline constexpr UINT kSearchRowMessage = WM_APP + 1;
inline constexpr UINT kSearchProgressMessage = WM_APP + 2;
inline constexpr UINT kSearchTellMessage = WM_APP + 3;
inline constexpr UINT kSearchDoneMessage = WM_APP + 4;

struct FolderSearchTarget {
    HWND window = nullptr;
    CMediaInfoList* catalogue = nullptr;
    // Held while a record goes into the catalogue and its row message is posted, so that the window, which
    // holds it while it adds rows of its own, keeps the rows in catalogue order.
    std::mutex* rowOrder = nullptr;
    std::int32_t* pidCounter = nullptr;
    std::string listFilePath;
};

class FolderSearch {
public:
    FolderSearch() = default;
    ~FolderSearch() { Stop(); }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;

    // Whether a worker exists that has not been joined yet.
    bool Running() const { return worker_.joinable(); }

    // Starts a worker on folder; false when one is running already.
    bool Start(const std::string& folder, const FolderSearchTarget& target);
    // Cancels the walk, lets a worker that waits for a message go on, and joins it. The worker still saves what
    // it added. Rows it posted and the window has not taken yet stay in the window's queue.
    void Stop();
    // Joins a worker that has said it is done.
    void Finish() { Stop(); }
    // The window has shown a progress message; the next one may be posted.
    void ProgressShown() { progressPending_ = false; }

    // The window's side of a message the worker wants shown: shows it with show(text), then lets the worker go
    // on. Does nothing when the worker no longer waits.
    template <typename Show>
    void AnswerTell(Show&& show) {
        std::shared_ptr<Tell> tell;
        {
            std::lock_guard lock(mutex_);
            tell = pendingTell_;
        }
        if (!tell)
            return;
        show(tell->text.c_str());
        std::lock_guard lock(mutex_);
        tell->answered = true;
        if (pendingTell_ == tell)
            pendingTell_.reset();
        wake_.notify_all();
    }

private:
    struct Tell {
        std::string text;
        bool answered = false;
    };

    void Run(std::string folder, FolderSearchTarget target);
    void TellAndWait(HWND window, const char* text);

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> progressPending_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<Tell> pendingTell_;
};

// Takes the row messages a worker posted to window and has not been handled yet; each record goes to take
// (which may ignore it), and its memory is freed.
template <typename Take>
void TakePendingRows(HWND window, Take&& take) {
    MSG message;
    while (PeekMessageA(&message, window, kSearchRowMessage, kSearchRowMessage, PM_REMOVE)) {
        std::unique_ptr<CMediaInfo> record(reinterpret_cast<CMediaInfo*>(message.lParam));
        if (record)
            take(*record);
    }
}

} // namespace tarnvale
