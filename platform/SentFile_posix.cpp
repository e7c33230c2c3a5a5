// POSIX files to send: the descriptor itself is what the library reads.
#include "platform/SentFile.h"

#include "platform/FileHandle_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarnvale::platform {

SentFile OpenForSending(const std::string& path, std::string& reason) {
    SentFile sent;
    sent.file = UniqueFile(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (!sent.file) {
        reason = std::strerror(errno);
    } else if (::fstat(Fd(sent.file), &status) != 0) {
        reason = std::strerror(errno);
        sent.file.reset();
    } else if (!S_ISREG(status.st_mode)) {
        reason = "it is not a regular file";
        sent.file.reset();
    } else {
        sent.size = static_cast<std::uint64_t>(status.st_size);
        sent.modifiedSeconds = status.st_mtim.tv_sec;
        sent.modifiedNanoseconds = status.st_mtim.tv_nsec;
    }
    return sent;
}

int HandOverAsDescriptor(UniqueFile file) {
    return static_cast<int>(file.release());
}

void CloseDescriptor(int descriptor) {
    if (descriptor >= 0)
        ::close(descriptor);
}

} // namespace tarnvale::platform
