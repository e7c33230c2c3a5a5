// The folder search: every media file below a folder, in the order of the folder tree walk, probed and handed on
// as a catalogue record. Numbering the records is the caller's; SearchFolderNumbered numbers them as the window does.
#pragma once

#include "core/CatalogueMerge.h"
#include "core/MediaInfo.h"
#include "media/FolderWalk.h"
#include "media/MediaProbe.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tarnvale {

struct FolderSearchProgress {
    std::size_t filesSeen = 0;     // entries looked at as files, media or not
    std::size_t programsAdded = 0; // files probed, accepted and handed to add
    bool cancelled = false;        // the walk stopped early because cancel was set
};

struct FolderSearchHooks {
    // Called for each accepted file: by SearchFolder with PID 0, by SearchFolderNumbered with its PID from the counter.
    std::function<void(const CMediaInfo&)> add;
    // Called after each program added, after every 256 files looked at, and once when the walk ends.
    std::function<void(const FolderSearchProgress&)> progress;
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

// Walks folder and everything below it (see FolderWalk) and probes the qualifying files; the records it hands
// to add are not numbered.
FolderSearchProgress SearchFolder(const std::string& folder, const FolderSearchHooks& hooks);

// SearchFolder, with each accepted record taking the counter's value as its PID (the counter is first raised to
// 10 if it is lower) and the counter growing by one.
FolderSearchProgress SearchFolderNumbered(const std::string& folder, std::int32_t& pidCounter,
                                          const FolderSearchHooks& hooks);

} // namespace tarnvale
