// The folder search's walk: every media file below a folder, depth first in the order the file system lists
// entries, probed and handed on as a catalogue record with a PID of its own. The process's current directory is
// never changed, so a walk may run beside anything else.
#pragma once

#include "core/CatalogueMerge.h"
#include "core/MediaInfo.h"
#include "media/MediaProbe.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tarnvale {

struct FolderWalkProgress {
    std::size_t filesSeen = 0;     // entries looked at as files, media or not
    std::size_t programsAdded = 0; // files probed, accepted and handed to add
    bool cancelled = false;        // the walk stopped early because cancel was set
};

struct FolderWalkHooks {
    // Called for each accepted file, its PID already assigned from the counter.
    std::function<void(const CMediaInfo&)> add;
    // Called after each program added, after every 256 files looked at, and once when the walk ends.
    std::function<void(const FolderWalkProgress&)> progress;
    // Told why the probe refused a file (one message per file), unless refused is set.
    OperatorMessage tell;
    // When set, a refused file's message comes here with the file's path instead of going to tell.
    std::function<void(const std::string& path, const char* text)> refused;
    // When set and true for a qualifying file's path, the file counts as looked at but is not probed (it is
    // catalogued already).
    std::function<bool(const std::string& path)> known;
    // Polled before each entry; the walk stops soon after it becomes true.
    const std::atomic<bool>* cancel = nullptr;
};

// Whether a path's last four characters, in lower case, hold "mp3", "vob", "mpg", "mpeg" or "avi" — the files
// the search probes. (So "clip.MPG" and "song_mp3" qualify, "clip.mpeg4" does not.)
bool QualifiesForSearch(const std::string& path);

// Walks folder and everything below it. Folders are told from files by whether they can be entered; a folder
// reached again through a link is not walked twice. Qualifying files with a path of fewer than 256 characters
// are probed; each accepted one takes the counter's value as its PID (the counter is first raised to 10 if it is
// lower) and the counter grows by one.
FolderWalkProgress WalkFolder(const std::string& folder, std::int32_t& pidCounter, const FolderWalkHooks& hooks);

} // namespace tarnvale
