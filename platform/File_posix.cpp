// POSIX file services.
#include "platform/File.h"

#include "platform/FileHandle_posix.h"
#include "platform/SaveSeam.h"
#include "platform/SaveTemporaryFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnvale::platform {
namespace {

void Capture(SystemError* error, int code, const char* verb, const std::string& path) {
    if (error)
        *error = MakeSystemError(code, std::string(verb) + " " + path);
}

// Why the call just made failed: errno is read before building the text could change it.
void CaptureErrno(SystemError* error, const char* verb, const std::string& path) {
    Capture(error, errno, verb, path);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// Opens a save's temporary file for writing; an empty owner, with errno set, when it cannot be created.
UniqueFile CreateTemporary(const std::string& temp) {
    if (!SaveMayCreateTemporary()) {
        errno = EACCES;
        return UniqueFile();
    }
    return UniqueFile(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
}

// "what: reason" after the refusal that sent a save to rewrite in place.
bool FailAfterRefusal(SystemError* error, const SystemError& refused, const std::string& what, int code) {
    if (error)
        *error = SystemError{code, refused.message + "; " + what + ": " + SystemErrorText(code)};
    return false;
}

// The fallback of a save that could not create its temporary file; not safe against a crash part-way, but the
// only way to save where the folder takes no new files.
bool RewriteInPlace(const std::string& path, std::span<const std::uint8_t> bytes, const SystemError& refused,
                    SystemError* error) {
    const UniqueFile file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (!file)
        return FailAfterRefusal(error, refused, "nor can " + path + " be opened to rewrite it in place", errno);
    const auto size = static_cast<off_t>(bytes.size());
    if (int code = bytes.empty() ? 0 : ::posix_fallocate(Fd(file), 0, size); code != 0 && code != EOPNOTSUPP)
        return FailAfterRefusal(error, refused, "nor is there room to rewrite " + path + " in place", code);
    if (!WriteAll(Fd(file), bytes) || ::ftruncate(Fd(file), size) != 0 || ::fsync(Fd(file)) != 0)
        return FailAfterRefusal(error, refused, "rewriting " + path + " in place failed part-way", errno);
    return true;
}

std::string DirectoryOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

void FileTraits::Release(NativeFile file) {
    ::close(static_cast<int>(file));
}

UniqueFile OpenForReading(const std::string& path, SystemError* error) {
    UniqueFile file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) {
        CaptureErrno(error, "cannot open", path);
        return file;
    }
    // A folder opens like a file here but not on Windows; refuse it the same everywhere.
    struct stat st {};
    if (::fstat(Fd(file), &st) == 0 && S_ISDIR(st.st_mode)) {
        Capture(error, EISDIR, "cannot open", path);
        file.reset();
    }
    return file;
}

bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes, SystemError* error) {
    RemoveInterruptedSaves(path);
    const std::string temp = SaveTemporaryName(path, static_cast<unsigned long>(::getpid()));
    // A clean-up elsewhere may take the file between its creation and our lock; then it is made afresh.
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFile file = CreateTemporary(temp);
        if (!file)
            return RewriteInPlace(path, bytes, MakeSystemError(errno, "cannot create " + temp), error);
        // Held until the file has its final name, so that clean-ups leave it alone.
        struct stat st {};
        if (::flock(Fd(file), LOCK_EX) != 0 || ::fstat(Fd(file), &st) != 0) {
            CaptureErrno(error, "cannot lock", temp);
            ::unlink(temp.c_str());
            return false;
        }
        if (st.st_nlink == 0)
            continue;
        if (!WriteAll(Fd(file), bytes) || ::fsync(Fd(file)) != 0) {
            CaptureErrno(error, "cannot write", temp);
            ::unlink(temp.c_str());
            return false;
        }
        SaveHoldsTemporary(temp);
        if (::rename(temp.c_str(), path.c_str()) != 0) {
            CaptureErrno(error, "cannot replace", path);
            ::unlink(temp.c_str());
            return false;
        }
        // Closed by hand, since a write the system deferred can still fail here.
        if (::close(static_cast<int>(file.release())) != 0) {
            CaptureErrno(error, "cannot write", path);
            return false;
        }
        // Make the rename itself durable.
        const UniqueFile folder(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder)
            ::fsync(Fd(folder));
        return true;
    }
    Capture(error, ENOENT, "cannot keep a temporary file beside", path);
    return false;
}

void RemoveUnlessHeld(const std::string& candidate) {
    const UniqueFile file(::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file || ::flock(Fd(file), LOCK_EX | LOCK_NB) != 0)
        return;
    // Only the very file that was found unheld; a save that made a new one under this name holds that one.
    struct stat held {
    }, named{};
    if (::fstat(Fd(file), &held) == 0 && S_ISREG(held.st_mode) && ::lstat(candidate.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        ::unlink(candidate.c_str());
}

namespace {

// Whether this process may read a file of that owner and mode, from the mode bits alone.
bool MayRead(const struct stat& st) {
    static const uid_t user = ::geteuid();
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> ids(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
        ids.resize(static_cast<std::size_t>(std::max(::getgroups(static_cast<int>(ids.size()), ids.data()), 0)));
        ids.push_back(::getegid());
        return ids;
    }();
    if (user == 0)
        return true;
    if (st.st_uid == user)
        return (st.st_mode & S_IRUSR) != 0;
    if (std::find(groups.begin(), groups.end(), st.st_gid) != groups.end())
        return (st.st_mode & S_IRGRP) != 0;
    return (st.st_mode & S_IROTH) != 0;
}

} // namespace

FileStatus LookAtFile(const char* path) {
    FileStatus status;
    struct stat st {};
    if (::stat(path, &st) != 0) {
        status.state = errno == ENOENT || errno == ENOTDIR ? FileStatus::State::Missing : FileStatus::State::Unreadable;
        return status;
    }
    status.state = MayRead(st) ? FileStatus::State::Found : FileStatus::State::Unreadable;
    status.size = static_cast<std::uint64_t>(st.st_size);
    status.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    status.volume = static_cast<std::uint64_t>(st.st_dev);
    status.file = static_cast<std::uint64_t>(st.st_ino);
    status.isFolder = S_ISDIR(st.st_mode);
    return status;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

} // namespace tarnvale::platform
