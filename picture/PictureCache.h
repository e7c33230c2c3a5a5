// PictureCache: the programs' pictures, made once per file and kept in a folder, one at a time on a worker of its
// own: on a request (waiting for it, first in line) and ahead of time for programs added. A program whose picture
// cannot be made is remembered beside the pictures, so it is not tried again until its file changes.
#pragma once

#include "core/MediaInfo.h"
#include "picture/PictureMaker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale {

struct PictureSettings {
    std::string folder; // where the pictures are kept; made when missing
    PictureMakerSettings maker;
    // A line for each picture that cannot be made, from the worker.
    std::function<void(const std::string&)> log;
};

// The name a program's file goes by in the cache, from its path, size, modification time and the file system's
// identity of it: a file changed or replaced gets a new one. Empty when the file cannot be looked at.
std::string PictureKey(const std::string& path);

// Where the cache is kept when no folder is named: the user's cache folder (XDG_CACHE_HOME, LOCALAPPDATA or
// ~/.cache), under tarnvale/pictures.
std::string DefaultPictureFolder();

struct Picture {
    std::string path; // the JPEG
    std::string key;  // PictureKey of the program's file, a validator for its picture
};

class PictureCache {
public:
    explicit PictureCache(PictureSettings settings);
    // Stops.
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // Makes the folder and starts the worker; false, with error saying why, when the folder cannot be made.
    bool Start(std::string& error);
    // Ends a picture being made and joins the worker; the queue is dropped.
    void Stop();

    // Whether a picture of program is offered: false for a type that has none and for a file known to give none.
    bool Offers(const CMediaInfo& program) const;
    // program's picture, made first when need be, waiting at most wait for it; nothing when it has none (or the
    // wait ran out).
    std::optional<Picture> Get(const CMediaInfo& program, std::chrono::milliseconds wait);
    // Queues the programs whose pictures are not made yet, behind everything asked for.
    void Ahead(const std::vector<CMediaInfo>& programs);
    // ffmpeg's runs so far.
    std::size_t Runs() const { return runs_; }

private:
    struct Job {
        std::string path;
        std::int32_t type = 0;
        std::string key;
    };
    enum class Known { Unknown, Made, None };

    Known Look(const std::string& key) const;
    void Work();
    void Make(const Job& job);

    const PictureSettings settings_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::set<std::string> queued_; // keys
    // Keys whose maker could not be started in this run: not written down, since nothing was learnt of the file.
    std::set<std::string> notStarted_;
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> runs_{0};
    std::atomic<bool> saidNotStarted_{false};
    std::thread worker_;
};

} // namespace tarnvale
