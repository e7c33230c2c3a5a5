// The one walk of a folder tree, shared by the folder search and the watch: depth first in the order the file
// system lists entries, each folder once however many paths lead to it, and each file told whether the search
// would probe it. What to do with a folder or a file, and how to number what it holds, is the caller's.
#pragma once

#include "platform/Directory.h"

#include <functional>
#include <set>
#include <string>

namespace tarnvale {

// Whether a path's last four characters, in lower case, hold "mp3", "vob", "mpg", "mpeg" or "avi" — the files
// the search probes. (So "clip.MPG" and "song_mp3" qualify, "clip.mpeg4" does not.)
bool QualifiesForSearch(const std::string& path);

struct FolderWalkVisitor {
    // Asked as each folder is entered, before its entries, with its identity when the system tells it (else
    // null); false passes the folder by. A folder this walk has entered already is passed by without asking.
    std::function<bool(const std::string& folder, const platform::DirectoryId* id)> enter;
    // Each entry that is not a folder that can be entered; media is QualifiesForSearch(path).
    std::function<void(const std::string& path, bool media)> file;
    // Polled before each entry; the walk ends soon after it becomes true.
    std::function<bool()> stopped;
};

// Folders are told from files by whether they can be entered. Entries whose path is longer than kMaxPathBytes
// are passed by: nothing below them could be catalogued, and no folder on Windows can be entered by them. The
// process's current directory is never changed, so a walk may run beside anything else.
class FolderWalk {
public:
    explicit FolderWalk(FolderWalkVisitor visitor) : visitor_(std::move(visitor)) {}

    // Walks folder and everything below it; folders entered by an earlier Walk of this object are passed by.
    // False when folder could not be entered.
    bool Walk(const std::string& folder);

private:
    void WalkOpen(platform::DirectoryEnumeration& listing);
    bool Stopped() const { return visitor_.stopped && visitor_.stopped(); }

    FolderWalkVisitor visitor_;
    std::string path_; // one buffer for every level: each appends an entry's name and cuts it back afterwards
    std::set<platform::DirectoryId> visited_;
};

} // namespace tarnvale
