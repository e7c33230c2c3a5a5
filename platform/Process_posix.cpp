// POSIX programs: fork and exec, with everything the child needs made before the fork, since a child of a process
// with threads may only make system calls until exec.
#include "platform/Process.h"

#include "platform/FileHandle_posix.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tarnvale::platform {
namespace {

UniqueFile OpenFd(const char* path, int flags) {
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, 0644);
    while (fd < 0 && errno == EINTR);
    return UniqueFile(fd);
}

// The program's path as exec wants it: a name without a folder is looked for on PATH here, before the fork.
std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// The child's side, between fork and exec: only system calls. Writes errno to report when exec cannot happen.
[[noreturn]] void RunChild(const char* program, char* const* argv, int in, int out, int err, int report, int lower,
                           int highestFd) {
    // Its own group, so that a Ctrl+C at the terminal reaches the server alone (which then ends its programs), and a
    // kill reaches whatever the program starts in turn.
    ::setpgid(0, 0);
    // What the server blocked or ignored for itself (the stop signals it waits for, SIGPIPE) would be inherited.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    if (lower > 0) {
        errno = 0;
        (void)::nice(lower);
    }
    if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
        const int code = errno;
        (void)!::write(report, &code, sizeof code);
        ::_exit(127);
    }
    // The server's sockets and files are not the program's: a listening socket kept open by a child would hold the
    // port after the server ended. Most are close-on-exec already; this catches the rest.
    // Marked to close at exec rather than closed, so that the report pipe stays open for exec's failure.
    constexpr unsigned kCloseRangeAtExec = 1U << 2; // CLOSE_RANGE_CLOEXEC
    if (::syscall(SYS_close_range, 3U, ~0U, kCloseRangeAtExec) != 0) {
        for (int fd = 3; fd <= highestFd; ++fd)
            if (fd != report)
                ::close(fd);
    }
    ::execv(program, argv);
    const int code = errno;
    (void)!::write(report, &code, sizeof code);
    ::_exit(127);
}

int PidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

} // namespace

Process::~Process() {
    Reset();
}

Process::Process(Process&& other) noexcept
    : id_(std::exchange(other.id_, 0)), waitable_(std::move(other.waitable_)), output_(std::move(other.output_)),
      reaped_(std::exchange(other.reaped_, false)), end_(other.end_) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Reset();
        id_ = std::exchange(other.id_, 0);
        waitable_ = std::move(other.waitable_);
        output_ = std::move(other.output_);
        reaped_ = std::exchange(other.reaped_, false);
        end_ = other.end_;
    }
    return *this;
}

void Process::Reset() {
    if (id_ != 0 && !reaped_) {
        Kill();
        // SIGKILL cannot be caught; the wait ends as soon as the system has taken the program down.
        while (!Wait(std::chrono::seconds(1))) {
        }
    }
    id_ = 0;
    reaped_ = false;
    end_ = {};
    waitable_.reset();
    output_.reset();
}

Process Process::Start(const ProcessStart& start, SystemError& error) {
    Process process;
    if (start.arguments.empty()) {
        error = SystemError{EINVAL, "no program to start"};
        return process;
    }
    const std::string program = FindProgram(start.arguments[0]);
    if (program.empty()) {
        error = MakeSystemError(ENOENT, "cannot find " + start.arguments[0] + " on PATH");
        return process;
    }
    std::vector<char*> argv;
    for (const std::string& argument : start.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    UniqueFile in = OpenFd("/dev/null", O_RDONLY);
    UniqueFile out, err, readEnd;
    if (start.output == ProcessStart::Output::Pipe) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            error = MakeSystemError(errno, "cannot make a pipe for " + start.arguments[0]);
            return process;
        }
        readEnd.reset(ends[0]);
        out.reset(ends[1]);
    } else if (start.output == ProcessStart::Output::File) {
        out = OpenFd(start.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
        if (!out) {
            error = MakeSystemError(errno, "cannot create " + start.outputFile);
            return process;
        }
    } else {
        out = OpenFd("/dev/null", O_WRONLY);
    }
    err = start.errorFile.empty() ? OpenFd("/dev/null", O_WRONLY)
                                  : OpenFd(start.errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND);
    if (!in || !out || !err) {
        error = MakeSystemError(errno, "cannot open the standard files of " + start.arguments[0]);
        return process;
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = MakeSystemError(errno, "cannot make a pipe for " + start.arguments[0]);
        return process;
    }
    UniqueFile reportRead(report[0]), reportWrite(report[1]);
    const long openMax = ::sysconf(_SC_OPEN_MAX);
    const int highestFd = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) - 1 : 65535;

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = MakeSystemError(errno, "cannot start " + start.arguments[0]);
        return process;
    }
    if (pid == 0)
        RunChild(program.c_str(), argv.data(), Fd(in), Fd(out), Fd(err), report[1], start.lowerPriority, highestFd);

    process.id_ = pid;
    process.waitable_.reset(PidFd(pid));
    process.output_ = std::move(readEnd);
    reportWrite.reset();
    // The report pipe closes at exec (nothing read) or carries the errno of a child that could not get there.
    int code = 0;
    ssize_t got;
    do
        got = ::read(Fd(reportRead), &code, sizeof code);
    while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof code)) {
        error = MakeSystemError(code, "cannot start " + program);
        process.Wait(std::chrono::seconds(10));
        process.Reset();
    }
    return process;
}

long Process::ReadOutput(char* room, std::size_t size, std::chrono::milliseconds limit) {
    if (!output_)
        return -1;
    pollfd ready{Fd(output_), POLLIN, 0};
    int polled;
    do
        polled = ::poll(&ready, 1, static_cast<int>(limit.count()));
    while (polled < 0 && errno == EINTR);
    if (polled < 0)
        return -1;
    if (polled == 0)
        return kProcessOutputLater;
    ssize_t got;
    do
        got = ::read(Fd(output_), room, size);
    while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
}

void Process::Kill() {
    if (id_ == 0 || reaped_)
        return;
    // The group first (what it started too), then the program itself in case it left the group.
    ::kill(-static_cast<pid_t>(id_), SIGKILL);
    ::kill(static_cast<pid_t>(id_), SIGKILL);
    // A held program is ended too: SIGKILL reaches it while stopped.
}

void Process::Pause() {
    if (id_ != 0 && !reaped_)
        ::kill(-static_cast<pid_t>(id_), SIGSTOP);
}

void Process::Resume() {
    if (id_ != 0 && !reaped_)
        ::kill(-static_cast<pid_t>(id_), SIGCONT);
}

bool Process::Wait(std::chrono::milliseconds limit, ProcessEnd* end) {
    if (id_ == 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!reaped_) {
        int status = 0;
        const pid_t got = ::waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
        if (got == static_cast<pid_t>(id_)) {
            reaped_ = true;
            end_.exited = WIFEXITED(status);
            end_.code = end_.exited ? WEXITSTATUS(status) : 0;
            end_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            break;
        }
        if (got < 0 && errno != EINTR) {
            // Reaped by someone else (a SIGCHLD set to be ignored): it has ended, how is not known.
            reaped_ = true;
            end_ = ProcessEnd{};
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
        if (waitable_) {
            pollfd ended{Fd(waitable_), POLLIN, 0};
            ::poll(&ended, 1, static_cast<int>(left));
        } else {
            // Without a pidfd (an old kernel), a look every few milliseconds.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, 5)));
        }
    }
    if (end)
        *end = end_;
    return true;
}

} // namespace tarnvale::platform
