// ListFileFollower: keeps the catalogue what its list file says while others edit the file. A change is loaded
// whole and takes the catalogue's place in one step; a file that cannot be read whole is not taken, and the
// catalogue stays as it was. The follower never writes the file.
#pragma once

#include "core/ListFile.h"
#include "core/MediaInfoList.h"
#include "platform/File.h"
#include "platform/FileWatch.h"
#include "platform/SystemError.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnvale {

// What the follower made of a change of the file's contents (or of the watch ending).
struct ListFileChange {
    enum class Kind { Taken, Refused, WatchEnded } kind = Kind::Taken;
    std::size_t programs = 0; // in the catalogue now
    ListFileLoad load;        // what reading the file found; for Refused, why it was not taken
};

class ListFileFollower {
public:
    ListFileFollower(std::string path, CMediaInfoList& catalogue);
    // Stops following.
    ~ListFileFollower();
    ListFileFollower(const ListFileFollower&) = delete;
    ListFileFollower& operator=(const ListFileFollower&) = delete;

    // Before Start: told, on the follower's thread, of every change of contents it took or refused.
    void SetObserver(std::function<void(const ListFileChange&)> observer) { observer_ = std::move(observer); }

    // Starts watching the file's folder, so that no change from here on is missed; false, with error saying
    // why, when the system will not tell of changes there.
    bool Watch(platform::SystemError* error = nullptr);
    // Loads the file into the catalogue (a missing file is an empty catalogue). False when the file cannot be
    // read whole; load then says why and the catalogue is left as it was.
    bool Load(ListFileLoad* load = nullptr);
    // After Watch: loads every change from now on, on a thread of its own, until Stop.
    void Start();
    void Stop();

private:
    // One reading of the file, kept whole so that the same contents are recognised when they come again.
    struct Reading {
        platform::ReadResult result = platform::ReadResult::NotFound;
        std::vector<std::uint8_t> bytes;
        ListFileLoad found; // what reading found when it was not Ok
        bool operator==(const Reading& other) const {
            return result == other.result && bytes == other.bytes && found.error == other.found.error;
        }
    };
    Reading Read() const;
    // Parses reading and, when it is whole, puts its records in the catalogue's place; remembers it either way.
    bool Take(Reading reading, ListFileLoad& load);
    void Follow();
    // Loads the file unless its contents are what was last taken or refused, and tells the observer.
    void Reload();
    void Tell(const ListFileChange& change) const;

    std::string path_;
    CMediaInfoList& catalogue_;
    std::function<void(const ListFileChange&)> observer_;
    platform::FileWatch watch_;
    bool watching_ = false;
    // Used by the follower's thread once it runs, and before that by Load's caller.
    std::optional<Reading> taken_;
    std::optional<Reading> refused_;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

} // namespace tarnvale
