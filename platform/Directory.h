// Listing a folder's entries in the order the file system keeps them, without touching the current directory.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <string>

namespace tarnvale::platform {

// The separator that joins a folder and an entry's name: '\\' on Windows, '/' elsewhere.
extern const char kPathSeparator;

// Which folder an open enumeration lists, whatever path led to it (links included).
struct DirectoryId {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    auto operator<=>(const DirectoryId&) const = default;
};

struct DirectoryEntry {
    std::string name;
    // False only when the file system says outright that the entry is a plain file, which can never be entered;
    // anything else must be tried.
    bool mayBeFolder = true;
};

class DirectoryEnumeration {
public:
    DirectoryEnumeration();
    ~DirectoryEnumeration();
    DirectoryEnumeration(const DirectoryEnumeration&) = delete;
    DirectoryEnumeration& operator=(const DirectoryEnumeration&) = delete;

    // Starts listing path. True exactly when path is a folder that can be entered: a file, a missing path or a
    // folder we may not enter gives false.
    bool Open(const std::string& path);
    void Close();

    // The next entry, "." and ".." left out; false at the end of the listing.
    bool Next(DirectoryEntry& entry);

    // The identity of the open folder; false when the system will not say.
    bool Identity(DirectoryId& id) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnvale::platform
