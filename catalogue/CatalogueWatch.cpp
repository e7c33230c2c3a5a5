// The watch: what it knows of the files below its folders, the notices and rescans that change that, and the
// batches of catalogue changes it saves. A notice only says where to look; every decision comes from a look at
// the file itself, so a lost or doubled notice costs a look, never a wrong program.
#include "catalogue/CatalogueWatch.h"

#include "catalogue/FullPath.h"
#include "catalogue/Watcher.h"

#include "core/ListFile.h"
#include "core/ListFileEdit.h"
#include "media/MediaProbe.h"
#include "platform/FileHandle.h"

#include <algorithm>
#include <thread>

namespace tarnvale {
namespace {

using Clock = Watcher::Clock;
using namespace std::chrono_literals;

// A batch is saved once its changes pause this long, or once its first change is this old, so that a burst of
// files is one save and a long stream of them is still saved as it goes.
constexpr auto kBatchQuiet = 400ms;
constexpr auto kBatchLongest = 1s;
// A save that could not be made (another writer held the lock, the list file could not be read) is tried again.
constexpr auto kRetryAfter = 5s;
constexpr auto kLockWait = 10s;
// How often the folders are rescanned when change notices are missing and --poll did not say.
constexpr auto kFallbackPoll = std::chrono::seconds(60);

std::string FullFolder(const std::string& folder) {
    std::string text = FullPath(folder);
    // A root ("/", "C:\\") keeps its separator.
    while (text.size() > 1 && (text.back() == '/' || text.back() == platform::kPathSeparator) &&
           text[text.size() - 2] != ':')
        text.pop_back();
    return text;
}

std::pair<std::uint64_t, std::uint64_t> IdOf(const platform::FileStatus& look) {
    return {look.volume, look.file};
}

bool HasId(const platform::FileStatus& look) {
    return look.file != 0;
}

} // namespace

Clock::time_point Watcher::FlushDue() const {
    const auto quiet = lastChange_ + kBatchQuiet;
    return std::max(batch_.empty() ? quiet : std::min(quiet, batchStarted_ + kBatchLongest), retryAt_);
}

Clock::duration Watcher::Rescans() const {
    return options_.poll.count() > 0 ? Clock::duration(options_.poll) : Clock::duration(kFallbackPoll);
}

bool Watcher::StartCatalogue() {
    CMediaInfoList catalogue;
    std::string why;
    if (!LoadWholeListFile(list_, catalogue, &why)) {
        Warn(why + ". Nothing was changed; repair or remove the file first.");
        return false;
    }
    start_ = catalogue.Snapshot();
    startIndex_ = std::make_unique<PathIndex>(start_);
    return true;
}

void Watcher::FallBackToRescans(const std::string& why) {
    if (!rescanning_)
        Warn(why + "; looking at every folder every " +
             std::to_string(std::chrono::duration_cast<std::chrono::seconds>(Rescans()).count()) + " s instead");
    rescanning_ = true;
}

void Watcher::WatchFolder(const std::string& folder) {
    if (!notices_ || watch_.CoversTree())
        return;
    platform::SystemError error;
    switch (watch_.Add(folder, &error)) {
    case platform::DirectoryWatch::Added::Yes:
        return;
    case platform::DirectoryWatch::Added::NoMoreWatches:
        if (!watchesTold_)
            FallBackToRescans("the system allows no more folder watches (" + error.message +
                              "; on Linux fs.inotify.max_user_watches raises the limit)");
        watchesTold_ = true;
        return;
    case platform::DirectoryWatch::Added::Failed:
        Verbose("not watched: " + error.message);
        return;
    }
}

// A walk of the folders that visits each folder once per identity: a folder reached again by another path (a link,
// a loop of links) is not walked again, unless the path it was walked under has gone (it was renamed). Each folder
// walked is watched; each media file found goes into found, when given, and is considered.
FolderWalk Watcher::TreeWalk(std::set<std::string>* found, bool first) {
    const auto enter = [this](const std::string& folder, const platform::DirectoryId* id) {
        if (id) {
            auto [known, added] = folders_.try_emplace(*id, folder);
            if (!added && known->second != folder) {
                platform::DirectoryEnumeration earlier;
                platform::DirectoryId earlierId;
                if (earlier.Open(known->second) && earlier.Identity(earlierId) && earlierId == *id)
                    return false;
                known->second = folder;
            }
        }
        WatchFolder(folder);
        return true;
    };
    const auto file = [this, found, first](const std::string& path, bool media) {
        if (!media)
            return;
        if (found)
            found->insert(path);
        Consider(path, Look(path), first);
    };
    return FolderWalk({enter, file, [this] { return Stopping(); }});
}

void Watcher::Scan(bool first) {
    std::set<std::string> found;
    std::vector<std::string> scanned;
    FolderWalk walk = TreeWalk(&found, first);
    for (const std::string& root : roots_) {
        platform::DirectoryEnumeration listing;
        if (!listing.Open(root)) {
            // A share that is away for a moment must not empty the catalogue: its programs stay.
            Warn("cannot read the folder " + root + " now; its programs are kept as they are");
            continue;
        }
        listing.Close();
        scanned.push_back(root);
        walk.Walk(root);
    }
    if (Stopping())
        return;
    const auto inScanned = [&](const std::string& path) {
        return std::any_of(scanned.begin(), scanned.end(), [&](const std::string& root) { return Below(path, root); });
    };
    for (const auto& [path, known] : files_)
        if (!found.count(path) && inScanned(path))
            maybeGone_.insert(path);
    if (first) {
        // Programs below the folders whose files went while no watch was running.
        for (const CMediaInfo& record : start_) {
            const std::string path(record.Path());
            if (inScanned(path) && !found.count(path) && Look(path).state == platform::FileStatus::State::Missing)
                Queue({CatalogueChange::Kind::Remove, {}, path});
        }
    }
}

void Watcher::Consider(const std::string& path, const platform::FileStatus& look, bool first) {
    if (look.state == platform::FileStatus::State::Missing) {
        MaybeGone(path);
        return;
    }
    if (look.isFolder)
        return;
    const auto known = files_.find(path);
    if (known != files_.end() && known->second.look == look)
        return;
    if (known == files_.end() && MovedHere(path, look))
        return;
    if (first && known == files_.end() && look.state == platform::FileStatus::State::Found) {
        const std::size_t at = startIndex_->Find(path);
        if (at != PathIndex::kNone && start_[at].m_nSize >= 0 &&
            static_cast<std::uint64_t>(start_[at].m_nSize) == look.size) {
            files_[path] = {look, true};
            if (HasId(look))
                byId_[IdOf(look)] = path;
            ++already_;
            return;
        }
        // As a search would: what is there when the watch starts is taken now, unless it changes while probed.
        Take(path, look);
        return;
    }
    settling_.Observe(path, look, Now());
}

// A file that appeared under a new path but is one the watch knows under an old path that no longer leads to it:
// renamed or moved, so its program keeps its PID.
bool Watcher::MovedHere(const std::string& path, const platform::FileStatus& look) {
    if (!HasId(look))
        return false;
    const auto byId = byId_.find(IdOf(look));
    if (byId == byId_.end() || byId->second == path)
        return false;
    const std::string from = byId->second;
    const platform::FileStatus there = Look(from);
    if (there.state != platform::FileStatus::State::Missing && IdOf(there) == IdOf(look))
        return false; // a second link to the same file
    const Known before = files_[from];
    Forget(from);
    if (!before.catalogued) {
        settling_.Observe(path, look, Now());
        return true;
    }
    CMediaInfo record;
    std::string refusal;
    if (!SetFile(record, path, refusal)) {
        Warn(path + ": " + refusal);
        files_[path] = {look, false};
        Queue({CatalogueChange::Kind::Remove, {}, from});
        return true;
    }
    files_[path] = {look, true};
    byId_[IdOf(look)] = path;
    Queue({CatalogueChange::Kind::Move, record, from});
    return true;
}

void Watcher::Settled(const std::string& path, const platform::FileStatus& tracked) {
    const platform::FileStatus look = Look(path);
    if (look.state == platform::FileStatus::State::Missing) {
        Verbose("gone before it settled: " + path);
        MaybeGone(path);
        return;
    }
    if (!(look == tracked) || look.state == platform::FileStatus::State::Unreadable ||
        !platform::OpenForReading(path)) {
        // Still changing, or not readable yet (a copy that holds it open on some systems): it settles again.
        settling_.Observe(path, look, Now());
        return;
    }
    Take(path, look);
}

// Probes the file and queues it as a program, unless it changed while it was probed: then it settles again, and a
// half-written file is never catalogued with what the probe saw of it.
void Watcher::Take(const std::string& path, const platform::FileStatus& look) {
    CMediaInfo record;
    std::string refusal;
    const bool accepted = SetFile(record, path, refusal);
    const platform::FileStatus after = Look(path);
    if (after.state == platform::FileStatus::State::Missing) {
        Verbose("gone while it was probed: " + path);
        MaybeGone(path);
        return;
    }
    if (!(after == look)) {
        settling_.Observe(path, after, Now());
        return;
    }
    Known& known = files_[path];
    const bool wasCatalogued = known.catalogued;
    known = {look, accepted};
    if (!accepted) {
        Warn(path + ": " + refusal);
        if (wasCatalogued)
            Queue({CatalogueChange::Kind::Remove, {}, path});
        return;
    }
    if (HasId(look))
        byId_[IdOf(look)] = path;
    Queue({wasCatalogued ? CatalogueChange::Kind::Update : CatalogueChange::Kind::Add, record, {}});
}

// path, or everything below it when it was a folder, may be gone; looked at again when the batch is saved, so
// that a rename whose new name is told after the old one keeps its PID.
void Watcher::MaybeGone(const std::string& path) {
    settling_.Forget(path);
    lastChange_ = Now();
    if (files_.count(path))
        maybeGone_.insert(path);
    const std::string below = Join(path, "");
    for (auto at = files_.lower_bound(below); at != files_.end() && at->first.compare(0, below.size(), below) == 0;
         ++at)
        maybeGone_.insert(at->first);
}

void Watcher::Forget(const std::string& path) {
    const auto known = files_.find(path);
    if (known == files_.end())
        return;
    const auto byId = byId_.find(IdOf(known->second.look));
    if (byId != byId_.end() && byId->second == path)
        byId_.erase(byId);
    files_.erase(known);
}

void Watcher::SettleGone() {
    std::set<std::string> candidates;
    candidates.swap(maybeGone_);
    for (const std::string& path : candidates) {
        const auto known = files_.find(path);
        if (known == files_.end())
            continue;
        const platform::FileStatus look = Look(path);
        if (look.state != platform::FileStatus::State::Missing && !look.isFolder) {
            Consider(path, look, false);
            continue;
        }
        if (known->second.catalogued)
            Queue({CatalogueChange::Kind::Remove, {}, path});
        Forget(path);
    }
}

void Watcher::Queue(CatalogueChange change) {
    const auto now = Now();
    if (batch_.empty())
        batchStarted_ = now;
    lastChange_ = now;
    batch_.push_back(std::move(change));
}

void Watcher::Notice(const platform::DirectoryNotice& notice) {
    switch (notice.kind) {
    case platform::DirectoryNotice::Kind::Overflow:
        if (!overflowTold_)
            Warn("the system dropped change notices (too many changes at once); looking at every folder again");
        overflowTold_ = true;
        rescanAll_ = true;
        return;
    case platform::DirectoryNotice::Kind::Gone:
        MaybeGone(notice.path);
        return;
    case platform::DirectoryNotice::Kind::Changed: {
        const platform::FileStatus look = Look(notice.path);
        if (look.isFolder) {
            // A new folder, or one renamed here: everything in it is looked at, and it is watched from now on.
            TreeWalk(nullptr, false).Walk(notice.path);
        } else if (QualifiesForSearch(notice.path) && notice.path.size() <= kMaxPathBytes) {
            Consider(notice.path, look, false);
        }
        return;
    }
    }
}

bool Watcher::Flush(bool now) {
    const auto time = Now();
    if (!now && !maybeGone_.empty() && time - lastChange_ < kBatchQuiet &&
        (batch_.empty() || time - batchStarted_ < kBatchLongest))
        return true;
    SettleGone();
    if (batch_.empty())
        return true;
    if (!now && ((time - lastChange_ < kBatchQuiet && time - batchStarted_ < kBatchLongest) || time < retryAt_))
        return true;
    std::vector<AppliedChange> applied;
    const ListFileEdit edit = EditListFile(list_, {"tarnvale watch", kLockWait}, [&](CMediaInfoList& catalogue) {
        std::vector<CMediaInfo> records = catalogue.Snapshot();
        applied = ApplyChanges(records, batch_);
        catalogue.Assign(std::move(records));
        return true;
    });
    if (edit.failure == ListFileEdit::Failure::Load) {
        if (!loadTold_)
            Warn(edit.why + "; nothing is saved until it can be read whole");
        loadTold_ = true;
    } else if (edit.failure != ListFileEdit::Failure::None) {
        Warn(edit.why + "; " + std::to_string(batch_.size()) + " change(s) wait for the next try");
    }
    if (!edit) {
        retryAt_ = time + kRetryAfter;
        return false;
    }
    loadTold_ = false;
    ++saves_;
    changes_ += applied.size();
    static constexpr const char* kVerbs[] = {"added", "updated", "removed", "moved"};
    for (const AppliedChange& change : applied) {
        added_ += change.kind == CatalogueChange::Kind::Add;
        if (!options_.verbose)
            continue;
        std::string line =
            std::string(kVerbs[static_cast<int>(change.kind)]) + ": PID " + std::to_string(change.record.m_nPID) + " ";
        line += change.kind == CatalogueChange::Kind::Move ? change.from + " -> " + std::string(change.record.Path())
                                                           : std::string(change.record.Path());
        Say(line);
    }
    batch_.clear();
    return true;
}

bool Watcher::Start() {
    for (const std::string& folder : options_.folders) {
        const std::string root = FullFolder(folder);
        platform::DirectoryEnumeration listing;
        if (!listing.Open(root)) {
            Warn(root + " is not a folder that can be watched (it is missing, or may not be read).");
            return false;
        }
        roots_.push_back(root);
    }
    if (!StartCatalogue())
        return false;
    platform::SystemError error;
    notices_ = watch_.Open(&error);
    if (!notices_)
        FallBackToRescans("the system gives no change notices here (" + error.message + ")");
    if (options_.poll.count() > 0 || (notices_ && watch_.MayMissChanges()))
        rescanning_ = true;
    if (notices_ && watch_.CoversTree())
        for (const std::string& root : roots_)
            WatchFolder(root);

    Scan(true);
    start_.clear();
    startIndex_.reset();
    Flush(true);
    Say("watching " + std::to_string(roots_.size()) + " folder(s) for " + list_ + ": " + std::to_string(added_) +
        " program(s) added, " + std::to_string(already_) + " already catalogued; Ctrl+C stops");
    nextRescan_ = Now() + Rescans();
    return true;
}

std::optional<Clock::time_point> Watcher::NextDue() const {
    std::optional<Clock::time_point> until;
    const auto due = [&](Clock::time_point at) { until = until ? std::min(*until, at) : at; };
    if (const auto settles = settling_.NextSettled())
        due(*settles);
    if (!batch_.empty() || !maybeGone_.empty())
        due(FlushDue());
    if (rescanning_)
        due(nextRescan_);
    return until;
}

void Watcher::Step() {
    if (rescanAll_ || (rescanning_ && Now() >= nextRescan_)) {
        rescanAll_ = false;
        Scan(false);
        nextRescan_ = Now() + Rescans();
    }
    for (const auto& [path, look] : settling_.TakeSettled(Now()))
        Settled(path, look);
    Flush(false);
}

int Watcher::Finish() {
    const bool saved = Flush(true);
    Say("stopped: " + std::to_string(changes_) + " change(s) saved in " + std::to_string(saves_) + " save(s)" +
        (settling_.Waiting() > 0 ? "; " + std::to_string(settling_.Waiting()) + " file(s) had not settled" : ""));
    return saved ? 0 : 1;
}

int Watcher::Run() {
    if (!Start())
        return 1;
    std::vector<platform::DirectoryNotice> notices;
    // The stop wakes the one wait the loop may be in, so it is seen at once.
    if (io_.stop)
        io_.stop->SetWake([this] { watch_.Wake(); });
    while (!Stopping()) {
        const auto until = NextDue();
        // Nothing due: the wait lasts until a notice or the stop (a day at most, as the waits count milliseconds).
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until ? *until - Now() : Clock::duration(24h));
        const int waitMs = static_cast<int>(std::clamp<long long>(wait.count(), 0, 86400000));
        notices.clear();
        if (notices_) {
            platform::SystemError failed;
            if (watch_.Wait(waitMs, notices, &failed) == platform::DirectoryWatch::Event::Failed) {
                notices_ = false;
                FallBackToRescans("the change notices stopped (" + failed.message + ")");
            }
        } else if (io_.stop) {
            io_.stop->WaitFor(std::chrono::milliseconds(waitMs));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        }
        for (const platform::DirectoryNotice& notice : notices)
            Notice(notice);
        Step();
    }
    if (io_.stop)
        io_.stop->SetWake({});
    return Finish();
}

int RunCatalogueWatch(const std::string& listPath, const WatchOptions& options, const ToolStreams& io) {
    Watcher watcher(listPath, options, io);
    return watcher.Run();
}

} // namespace tarnvale
