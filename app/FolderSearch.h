// The folder search's worker: walks a folder tree on a thread of its own and queues every accepted media file for
// the window, which adds the finds to its catalogue and saves the list file. The worker touches neither the
// catalogue nor a window function: finds, progress, the end and the probe's messages travel to the window's
// thread through the queue and posted messages.
#pragma once

#include "core/MediaInfo.h"
#include "media/FolderSearch.h"

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

// Posted to the window. kSearchRowsMessage: finds wait in the search's queue (TakeFinds); posted when the queue
// stops being empty, so that the finds made until the window gets to them make one batch.
// kSearchProgressMessage: wParam files looked at, lParam programs added. kSearchTellMessage: the worker waits
// for a message to be shown (AnswerTell). kSearchDoneMessage: the walk is over (Finish).
inline constexpr UINT kSearchRowsMessage = WM_APP + 1;
inline constexpr UINT kSearchProgressMessage = WM_APP + 2;
inline constexpr UINT kSearchTellMessage = WM_APP + 3;
inline constexpr UINT kSearchDoneMessage = WM_APP + 4;

class FolderSearch {
public:
    FolderSearch() = default;
    ~FolderSearch() { Stop(); }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;

    // Whether a worker exists that has not been joined yet.
    bool Running() const { return worker_.joinable(); }

    // Starts a worker on folder that posts to window; false when one is running already.
    bool Start(const std::string& folder, HWND window);
    // Cancels the walk, lets a worker that waits for a message go on, and joins it. Finds the window has not taken
    // yet stay in the queue.
    void Stop();
    // Joins a worker that has said it is done.
    void Finish() { Stop(); }
    // The window has shown a progress message; the next one may be posted.
    void ProgressShown() { progressPending_ = false; }
    // The programs the worker found since the last call, in the order of the walk, their PIDs assigned.
    std::vector<CMediaInfo> TakeFinds();

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

    void Run(std::string folder, HWND window);
    void TellAndWait(HWND window, const char* text);
    // Queues record; true when the queue was empty, so that the window must be told.
    bool QueueFind(const CMediaInfo& record);

    std::thread worker_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> progressPending_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<Tell> pendingTell_;
    std::vector<CMediaInfo> finds_;
    // Goes on from one search to the next for as long as the window lives; only a running worker touches it,
    // and the next worker starts after that one was joined.
    std::int32_t pidCounter_ = kFirstSearchPid;
};

} // namespace tarnvale
