// Windows programs run under Wine by the native tests: their paths as Wine sees them, a Wine session of a test's own
// (prefix, display, wineserver), and a program started in it whose output goes to a log file and which ends with
// its owner whatever the test found.
#pragma once

#include "support/Poll.h"
#include "support/Shell.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace tarnvale::test {

// The Wine prefix maps the whole Unix file system as drive Z.
inline std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// A Wine session (prefix, display, wineserver) in a state folder of its own, ended with its owner.
class WineSession {
public:
    WineSession(std::string scripts, std::string state) : scripts_(std::move(scripts)), state_(std::move(state)) {}
    ~WineSession() {
        if (started_)
            RunCommand(Quote(scripts_ + "/wine-teardown.sh") + " " + Quote(state_));
    }
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    Ran Start() {
        started_ = true;
        return RunCommand(Quote(scripts_ + "/wine-setup.sh") + " " + Quote(state_));
    }
    std::string Run(const std::string& arguments) const {
        return Quote(scripts_ + "/wine-run.sh") + " " + Quote(state_) + " " + arguments;
    }

private:
    std::string scripts_;
    std::string state_;
    bool started_ = false;
};

// exe with arguments under wine, its standard output and error in logFile. Started through the Windows tree's
// launcher, which tells its process id: ended (forcibly, by that id) with this object unless Close ended it first,
// so that copies of the same program that other tests run beside it go on.
class ProgramUnderWine {
public:
    ProgramUnderWine(const WineSession& wine, const std::string& exe, const std::string& arguments, std::string logFile)
        : wine_(wine), logFile_(std::move(logFile)), pidFile_(logFile_ + ".pid") {
        std::remove(pidFile_.c_str());
        // The output goes to a file, not to a pipe of ours: helper processes that Wine starts beside the program
        // inherit it and outlive the program, and a pipe would stay open with them.
        const std::string command = wine.Run(Quote(TARNVALE_WINE_LAUNCHER) + " " + Quote(WinePath(pidFile_)) + " " +
                                             Quote(exe) + " " + arguments) +
                                    " >" + Quote(logFile_) + " 2>&1 </dev/null";
        exitCode_ = exited_.get_future();
        thread_ = std::thread([this, command] { exited_.set_value(RunCommand(command).code); });
    }
    ~ProgramUnderWine() {
        if (thread_.joinable()) {
            if (const std::string pid = ProcessId(); !pid.empty())
                RunCommand(wine_.Run("taskkill /F /PID " + pid));
            thread_.join();
        }
    }
    ProgramUnderWine(const ProgramUnderWine&) = delete;
    ProgramUnderWine& operator=(const ProgramUnderWine&) = delete;

    // The program's Windows process id, once the launcher has written it; empty when it did not within two
    // minutes (the first start in a new prefix is slow) or the launcher ended first.
    std::string ProcessId() {
        if (pid_.empty()) {
            PollUntil(
                [&] {
                    std::ifstream(pidFile_) >> pid_;
                    return !pid_.empty() || exitCode_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
                },
                std::chrono::minutes(2));
        }
        return pid_;
    }

    std::string Log() const {
        std::ifstream in(logFile_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The text after start in the log, to the end of its line, once the program has written it; nothing when it
    // has not within limit or the program ended first. Looked at every few milliseconds: the program is another
    // process that tells nothing else.
    std::optional<std::string> WaitForLine(const std::string& start, std::chrono::milliseconds limit) {
        std::optional<std::string> rest;
        PollUntil(
            [&] {
                const std::string log = Log();
                const std::size_t at = log.find(start);
                const std::size_t end = at == std::string::npos ? at : log.find('\n', at);
                if (end != std::string::npos)
                    rest = log.substr(at + start.size(), end - at - start.size());
                return rest || exitCode_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            },
            limit);
        return rest;
    }
    // Closes the program's windows as a user would; its exit code, or -1 when it went on.
    int Close() {
        const std::string pid = ProcessId();
        if (pid.empty())
            return -1;
        const Ran close = RunCommand(wine_.Run("taskkill /PID " + pid));
        if (close.code != 0 || exitCode_.wait_for(std::chrono::seconds(120)) != std::future_status::ready)
            return -1;
        thread_.join();
        return exitCode_.get();
    }

private:
    const WineSession& wine_;
    std::string logFile_;
    std::string pidFile_;
    std::string pid_;
    std::promise<int> exited_;
    std::future<int> exitCode_;
    std::thread thread_;
};

} // namespace tarnvale::test
