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
#include <vector>

namespace tarnvale {

// Posted to the window. kSearchRowsMessage: rows wait in the search's queue (TakeRows); posted when the queue
// stops being empty, so that the rows found until the window gets to them make one batch.
// kSearchProgressMessage: wParam files looked at, lParam programs added. kSearchTellMessage: the worker waits
// for a message to be shown (AnswerTell). kSearchDoneMessage: the walk and its save are over (Finish).
inline constexpr UINT kSearchRowsMessage = WM_APP + 1;
inline constexpr UINT kSearchProgressMessage = WM_APP + 2;
inline constexpr UINT kSearchTellMessage = WM_APP + 3;
inline constexpr UINT kSearchDoneMessage = WM_APP + 4;

struct FolderSearchTarget {
    HWND window = nullptr;
    CMediaInfoList* catalogue = nullptr;
    // Held while a record goes into the catalogue and into the row queue, so that the window, which holds it
    // while it adds rows of its own, keeps the rows in catalogue order.
    std::mutex* rowOrder = nullptr;
    std::int32_t* pidCounter = nullptr;
    std::string listFilePath;
    // False when the list file must be left as it is (it could not be opened).
    bool saveWhenDone = true;
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
    // it added. Rows the window has not taken yet stay in the queue.
    void Stop();
    // Joins a worker that has said it is done.
    void Finish() { Stop(); }
    // The window has shown a progress message; the next one may be posted.
    void ProgressShown() { progressPending_ = false; }
    // The rows the worker found since the last call (already in the catalogue), in catalogue order.
    std::vector<CMediaInfo> TakeRows();

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
    // Queues the row of record; true when the queue was empty, so that the window must be told.
    bool QueueRow(const CMediaInfo& record);

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> progressPending_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<Tell> pendingTell_;
    std::vector<CMediaInfo> rows_;
};

} // namespace tarnvale
