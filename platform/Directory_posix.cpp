// POSIX folder listing: opendir/readdir. A folder can be entered exactly when opendir succeeds on it.
#include "platform/Directory.h"

#include "platform/UniqueHandle.h"

#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <utility>

namespace tarnvale::platform {

const char kPathSeparator = '/';

namespace {

struct DirTraits {
    using Handle = DIR*;
    static Handle Empty() { return nullptr; }
    static void Release(Handle dir) { ::closedir(dir); }
};

} // namespace

struct DirectoryEnumeration::State {
    UniqueHandle<DirTraits> dir;
};

DirectoryEnumeration::DirectoryEnumeration() = default;

DirectoryEnumeration::~DirectoryEnumeration() {
    Close();
}

bool DirectoryEnumeration::Open(const std::string& path) {
    Close();
    UniqueHandle<DirTraits> dir(::opendir(path.c_str()));
    if (!dir)
        return false;
    state_ = std::make_unique<State>();
    state_->dir = std::move(dir);
    return true;
}

void DirectoryEnumeration::Close() {
    state_.reset();
}

bool DirectoryEnumeration::Next(DirectoryEntry& entry) {
    if (!state_)
        return false;
    while (const dirent* d = ::readdir(state_->dir.get())) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0)
            continue;
        entry.name.assign(d->d_name);
        entry.mayBeFolder = d->d_type != DT_REG;
        return true;
    }
    return false;
}

bool DirectoryEnumeration::Identity(DirectoryId& id) const {
    struct stat st {};
    if (!state_ || ::fstat(::dirfd(state_->dir.get()), &st) != 0)
        return false;
    id.volume = static_cast<std::uint64_t>(st.st_dev);
    id.file = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

} // namespace tarnvale::platform
