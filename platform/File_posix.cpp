// POSIX file services.
#include "platform/File.h"

#include "platform/FileTestSeam.h"
#include "platform/SaveTemporaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarnvale::platform {
namespace {

void Capture(SystemError* error, const std::string& what, int code) {
    if (error)
        *error = MakeSystemError(code, what);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

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

// Opens a save's temporary file for writing; -1 with errno set when it cannot be created.
int CreateTemporary(const std::string& temp, const SaveTestSeam* seam) {
    if (seam && seam->refuseTemporaryFile) {
        errno = EACCES;
        return -1;
    }
    return ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (fd.get() < 0)
        return FailAfterRefusal(error, refused, "nor can " + path + " be opened to rewrite it in place", errno);
    const auto size = static_cast<off_t>(bytes.size());
    if (int code = bytes.empty() ? 0 : ::posix_fallocate(fd.get(), 0, size); code != 0 && code != EOPNOTSUPP)
        return FailAfterRefusal(error, refused, "nor is there room to rewrite " + path + " in place", code);
    if (!WriteAll(fd.get(), bytes) || ::ftruncate(fd.get(), size) != 0 || ::fsync(fd.get()) != 0)
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

ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, SystemError* error) {
    bytes.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        int code = errno;
        Capture(error, "cannot open " + path, code);
        return code == ENOENT ? ReadResult::NotFound : ReadResult::CannotOpen;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) {
        // A folder opens here but is no file, as it is not on Windows.
        Capture(error, "cannot open " + path, EISDIR);
        return ReadResult::CannotOpen;
    }
    // Read straight into a buffer of the file's size; a file that grows meanwhile is read to its new end.
    std::size_t size = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    bytes.resize(size + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        ssize_t n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Capture(error, "cannot read " + path, errno);
            bytes.clear();
            return ReadResult::Failed;
        }
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return ReadResult::Ok;
}

bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes, SystemError* error) {
    RemoveInterruptedSaves(path);
    const SaveTestSeam* seam = SaveTestSeamInForce();
    const std::string temp = SaveTemporaryName(path, static_cast<unsigned long>(::getpid()));
    // A clean-up elsewhere may take the file between its creation and our lock; then it is made afresh.
    for (int attempt = 0; attempt < 3; ++attempt) {
        FileDescriptor fd(CreateTemporary(temp, seam));
        if (fd.get() < 0)
            return RewriteInPlace(path, bytes, MakeSystemError(errno, "cannot create " + temp), error);
        // Held until the file has its final name, so that clean-ups leave it alone.
        struct stat st {};
        if (::flock(fd.get(), LOCK_EX) != 0 || ::fstat(fd.get(), &st) != 0) {
            Capture(error, "cannot lock " + temp, errno);
            ::unlink(temp.c_str());
            return false;
        }
        if (st.st_nlink == 0)
            continue;
        if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) {
            Capture(error, "cannot write " + temp, errno);
            ::unlink(temp.c_str());
            return false;
        }
        if (seam && seam->whileHeld)
            seam->whileHeld(temp);
        if (::rename(temp.c_str(), path.c_str()) != 0) {
            Capture(error, "cannot replace " + path, errno);
            ::unlink(temp.c_str());
            return false;
        }
        if (::close(fd.release()) != 0) {
            Capture(error, "cannot write " + path, errno);
            return false;
        }
        // Make the rename itself durable.
        FileDescriptor dir(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0)
            ::fsync(dir.get());
        return true;
    }
    Capture(error, "cannot keep a temporary file beside " + path + ": something removes it", ENOENT);
    return false;
}

void RemoveUnlessHeld(const std::string& candidate) {
    FileDescriptor fd(::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return;
    // Only the very file that was found unheld; a save that made a new one under this name holds that one.
    struct stat held {
    }, named{};
    if (::fstat(fd.get(), &held) == 0 && S_ISREG(held.st_mode) && ::lstat(candidate.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
        ::unlink(candidate.c_str());
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

} // namespace tarnvale::platform
