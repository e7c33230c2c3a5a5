// The watch's state and decisions, apart from its waiting: what it knows of the files below its folders, what a
// notice, a rescan or a settled file changes in that, and when a batch of changes is saved. The clock and the look
// at a file come from outside, so that every decision can be driven step by step without real time.
#pragma once

#include "catalogue/CatalogueWatch.h"

#include "core/CatalogueMerge.h"
#include "core/SettleTracker.h"
#include "media/FolderWalk.h"
#include "platform/Directory.h"
#include "platform/DirectoryWatch.h"
#include "platform/File.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tarnvale {

// The watch's senses: the time, and a look at a file that does not open it.
struct WatchSenses {
    std::function<std::chrono::steady_clock::time_point()> now = [] { return std::chrono::steady_clock::now(); };
    std::function<platform::FileStatus(const std::string& path)> look = [](const std::string& path) {
        return platform::LookAtFile(path);
    };
};

class Watcher {
public:
    using Clock = std::chrono::steady_clock;

    Watcher(const std::string& list, const WatchOptions& options, const ToolStreams& io, WatchSenses senses = {})
        : list_(list), options_(options), io_(io), senses_(std::move(senses)), settling_(options.settle) {}

    // Start, then notices and steps as they come due until io.stop, then Finish.
    int Run();

    // Checks the folders, loads the catalogue, opens the change notices, takes the first scan and saves it; false
    // (having said why) when the watch cannot start.
    bool Start();
    // What one notice tells: where to look.
    void Notice(const platform::DirectoryNotice& notice);
    // When Step next has something to do, if anything is waiting.
    std::optional<Clock::time_point> NextDue() const;
    // Does what is due by now: a rescan, the files that have settled, a save of the batch.
    void Step();
    // Saves what is left and says what was done; the watch's exit status.
    int Finish();

private:
    using FileId = std::pair<std::uint64_t, std::uint64_t>;
    struct Known {
        platform::FileStatus look;
        bool catalogued = false; // false: the probe refused it
    };

    Clock::time_point Now() const { return senses_.now(); }
    platform::FileStatus Look(const std::string& path) const { return senses_.look(path); }
    bool Stopping() const { return io_.stop && io_.stop->Stopped(); }
    void Say(const std::string& text) { io_.out << text << std::endl; }
    void Warn(const std::string& text) { io_.err << "tarnvale watch: " << text << std::endl; }
    void Verbose(const std::string& text) {
        if (options_.verbose)
            Say(text);
    }
    static bool IsSeparator(char c) { return c == platform::kPathSeparator || c == '/'; }
    bool Below(const std::string& path, const std::string& folder) const {
        return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
               (IsSeparator(folder.back()) || IsSeparator(path[folder.size()]));
    }
    std::string Join(const std::string& folder, const std::string& name) const {
        return folder + (folder.back() == platform::kPathSeparator ? "" : std::string(1, platform::kPathSeparator)) +
               name;
    }

    bool StartCatalogue();
    void Scan(bool first);
    FolderWalk TreeWalk(std::set<std::string>* found, bool first);
    void WatchFolder(const std::string& folder);
    void Consider(const std::string& path, const platform::FileStatus& look, bool first);
    bool MovedHere(const std::string& path, const platform::FileStatus& look);
    void Settled(const std::string& path, const platform::FileStatus& tracked);
    void Take(const std::string& path, const platform::FileStatus& look);
    void MaybeGone(const std::string& path);
    void Forget(const std::string& path);
    void Queue(CatalogueChange change);
    void SettleGone();
    bool Flush(bool now);
    void FallBackToRescans(const std::string& why);
    // When the changes seen so far are to be saved.
    Clock::time_point FlushDue() const;
    Clock::duration Rescans() const;

    const std::string list_;
    const WatchOptions& options_;
    const ToolStreams& io_;
    const WatchSenses senses_;
    std::vector<std::string> roots_;
    platform::DirectoryWatch watch_;
    bool notices_ = false;
    bool rescanAll_ = false;  // notices were lost
    bool rescanning_ = false; // some folders send no notices: rescans every Rescans()
    bool overflowTold_ = false, watchesTold_ = false, loadTold_ = false;
    Clock::time_point nextRescan_;

    // The catalogue as the watch started, for the first scan's "already catalogued".
    std::vector<CMediaInfo> start_;
    std::unique_ptr<PathIndex> startIndex_;

    std::map<std::string, Known> files_; // ordered, so that a folder's files are one range
    std::map<FileId, std::string> byId_;
    std::map<platform::DirectoryId, std::string> folders_; // every folder walked, by identity, under one path
    SettleTracker settling_;
    std::set<std::string> maybeGone_;

    std::vector<CatalogueChange> batch_;
    Clock::time_point batchStarted_, lastChange_, retryAt_;
    std::size_t saves_ = 0, added_ = 0, already_ = 0, changes_ = 0;
};

} // namespace tarnvale
