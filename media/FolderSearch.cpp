// The folder search over the folder tree walk: probes, refusals and progress.
#include "media/FolderSearch.h"

namespace tarnvale {
namespace {

constexpr std::size_t kProgressEvery = 256;

class Searcher {
public:
    explicit Searcher(const FolderSearchHooks& hooks) : hooks_(hooks) {}

    void Run(const std::string& folder) {
        FolderWalk walk({{},
                         [this](const std::string& path, bool media) { LookAtFile(path, media); },
                         [this] { return Cancelled(); }});
        walk.Walk(folder);
        progress_.cancelled = Cancelled();
        Report();
    }

    const FolderSearchProgress& Progress() const { return progress_; }

private:
    bool Cancelled() const { return hooks_.cancel && hooks_.cancel->load(std::memory_order_relaxed); }

    void Report() {
        if (hooks_.progress)
            hooks_.progress(progress_);
    }

    void LookAtFile(const std::string& path, bool media) {
        ++progress_.filesSeen;
        if (media && !(hooks_.known && hooks_.known(path)))
            Probe(path);
        if (progress_.filesSeen % kProgressEvery == 0)
            Report();
    }

    void Probe(const std::string& path) {
        CMediaInfo record;
        const bool accepted = SetFile(record, path.c_str(), [this, &path](const char* text) {
            if (hooks_.refused)
                hooks_.refused(path, text);
            else if (hooks_.tell)
                hooks_.tell(text);
        });
        if (!accepted)
            return;
        ++progress_.programsAdded;
        if (hooks_.add)
            hooks_.add(record);
        Report();
    }

    const FolderSearchHooks& hooks_;
    FolderSearchProgress progress_;
};

} // namespace

FolderSearchProgress SearchFolder(const std::string& folder, const FolderSearchHooks& hooks) {
    Searcher searcher(hooks);
    searcher.Run(folder);
    return searcher.Progress();
}

FolderSearchProgress SearchFolderNumbered(const std::string& folder, std::int32_t& pidCounter,
                                          const FolderSearchHooks& hooks) {
    FolderSearchHooks numbered = hooks;
    numbered.add = [&](const CMediaInfo& found) {
        CMediaInfo record = found;
        if (pidCounter <= kFirstSearchPid)
            pidCounter = kFirstSearchPid;
        record.m_nPID = pidCounter;
        // Wraps like the 32-bit counter it is, without overflowing a signed value.
        pidCounter = static_cast<std::int32_t>(static_cast<std::uint32_t>(pidCounter) + 1u);
        if (hooks.add)
            hooks.add(record);
    };
    return SearchFolder(folder, numbered);
}

} // namespace tarnvale
