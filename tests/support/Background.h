// A program that a native test runs beside itself, its standard output on a pipe that the test reads line by line
// with bounded waits.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace tarnvale::test {

// A program running beside the test with its standard output on a pipe of ours; killed if the test did not stop
// it.
class Background {
public:
    explicit Background(const std::vector<std::string>& args) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~Background() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    // Reads the output until a line starting with start has come; that line, or empty when the output ended or
    // the line did not come within limit.
    std::string WaitForLine(const std::string& start, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                if (line.rfind(start, 0) == 0)
                    return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            char buffer[4096];
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return {};
            const ssize_t n = read(out_, buffer, sizeof buffer);
            if (n <= 0)
                return {};
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // Sends signal and waits for the program to end; its exit code, or -1 when it did not exit normally.
    int Terminate(int signal = SIGTERM) {
        int status = 0;
        if (pid_ <= 0 || kill(pid_, signal) != 0 || waitpid(pid_, &status, 0) != pid_)
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Ends the program at once, as a crash or `kill -9` would.
    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

} // namespace tarnvale::test
