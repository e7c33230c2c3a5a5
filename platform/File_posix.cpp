// POSIX file services.
#include "platform/File.h"

#include "platform/FileHandle_posix.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, SystemError* error) {
    bytes.clear();
    SystemError opening;
    const UniqueFile file = OpenForReading(path, &opening);
    if (!file) {
        if (error)
            *error = opening;
        return opening.code == ENOENT ? ReadResult::NotFound : ReadResult::Failed;
    }
    // Read straight into a buffer of the file's size; a file that grows meanwhile is read to its new end.
    struct stat st {};
    std::size_t size = ::fstat(Fd(file), &st) == 0 && st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    bytes.resize(size + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        ssize_t n = ::read(Fd(file), bytes.data() + filled, bytes.size() - filled);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            CaptureErrno(error, "cannot read", path);
            bytes.clear();
            return ReadResult::Failed;
        }
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return ReadResult::Ok;
}

bool ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes, SystemError* error) {
    // A name of this thread's own, so that two savers never write into one temporary file.
    const std::string temp = path + ".tmp." + std::to_string(::getpid()) + "." +
                             std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    UniqueFile file(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file) {
        CaptureErrno(error, "cannot create", temp);
        return false;
    }
    if (!WriteAll(Fd(file), bytes) || ::fsync(Fd(file)) != 0) {
        CaptureErrno(error, "cannot write", temp);
        ::unlink(temp.c_str());
        return false;
    }
    // Closed by hand, since a write the system deferred can still fail here.
    if (::close(static_cast<int>(file.release())) != 0) {
        CaptureErrno(error, "cannot write", temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        CaptureErrno(error, "cannot replace", path);
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const UniqueFile folder(::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder)
        ::fsync(Fd(folder));
    return true;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

} // namespace tarnvale::platform
