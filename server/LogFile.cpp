// The log file: lines from several threads, never interleaved.
#include "server/LogFile.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace tarnvale {

std::string LogFileBeside(const std::string& listFile) {
    return std::filesystem::path(listFile).replace_extension(".log").string();
}

bool LogFile::Open(const std::string& path, std::string& error) {
    std::lock_guard lock(mutex_);
    file_.open(path, std::ios::app);
    if (file_)
        return true;
    error = std::strerror(errno);
    return false;
}

void LogFile::Write(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (!file_.is_open())
        return;
    // localtime's one buffer is shared, so it is read under the lock too.
    const std::time_t now = std::time(nullptr);
    char stamp[32] = "";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", local);
    file_ << stamp << line << std::endl;
}

} // namespace tarnvale
