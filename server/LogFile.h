// LogFile: where the window's network sides write their lines, since it has no console: a text file that grows by
// whole lines, each led by the local time it was written, from any of the sides' threads.
#pragma once

#include <fstream>
#include <mutex>
#include <string>

namespace tarnvale {

// "C:\Tarnvale.log" for "C:\Tarnvale.lst": the log lives beside the catalogue it tells of.
std::string LogFileBeside(const std::string& listFile);

class LogFile {
public:
    // Opens path to append to, made when missing. False, with error saying why, when it cannot be written.
    bool Open(const std::string& path, std::string& error);
    // One whole line, written through at once so that a crash loses none of what came before it.
    void Write(const std::string& line);

private:
    std::mutex mutex_;
    std::ofstream file_;
};

} // namespace tarnvale
