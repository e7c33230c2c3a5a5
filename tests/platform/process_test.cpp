// Programs started by the server: arguments reach them as they are, output arrives, a hung one is ended within a
// bound, and none outlives its owner or inherits what the server holds.
#include "platform/Process.h"

#include "support/TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

namespace tarnvale::platform {
namespace {

using namespace std::chrono_literals;

std::string ReadAll(Process& process) {
    std::string text;
    char room[256];
    for (;;) {
        const long got = process.ReadOutput(room, sizeof room, 10s);
        if (got <= 0)
            break;
        text.append(room, static_cast<std::size_t>(got));
    }
    return text;
}

Process StartPiped(std::vector<std::string> arguments, int lowerPriority = 0) {
    ProcessStart start;
    start.arguments = std::move(arguments);
    start.output = ProcessStart::Output::Pipe;
    start.lowerPriority = lowerPriority;
    SystemError error;
    Process process = Process::Start(start, error);
    EXPECT_TRUE(process) << error.message;
    return process;
}

TEST(Process, HandsOverArgumentsAsTheyAreAndReportsHowItEnded) {
    struct Row {
        std::vector<std::string> arguments;
        std::string output;
        ProcessEnd end;
    };
    const Row rows[] = {
        // No shell sees the arguments: quotes, semicolons and $() arrive as text.
        {{"printf", "%s|%s", "a b;$(echo x)", "'q'"}, "a b;$(echo x)|'q'", {true, 0, 0}},
        {{"/bin/sh", "-c", "echo out; exit 3"}, "out\n", {true, 3, 0}},
        {{"/bin/sh", "-c", "kill -SEGV $$"}, "", {false, 0, SIGSEGV}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments[0] + " " + row.arguments[1]);
        Process process = StartPiped(row.arguments);
        EXPECT_EQ(ReadAll(process), row.output);
        ProcessEnd end;
        ASSERT_TRUE(process.Wait(10s, &end));
        EXPECT_EQ(end.exited, row.end.exited);
        EXPECT_EQ(end.code, row.end.code);
        EXPECT_EQ(end.signal, row.end.signal);
        // Asked again, the same answer.
        ASSERT_TRUE(process.Wait(0ms, &end));
        EXPECT_EQ(end.code, row.end.code);
    }
}

TEST(Process, AProgramThatIsNotThereIsAnErrorNotAProcess) {
    for (const std::string name : {"tarnvale-no-such-program", "/nonexistent/tarnvale-program", "/etc/hostname"}) {
        SCOPED_TRACE(name);
        ProcessStart start;
        start.arguments = {name};
        SystemError error;
        Process process = Process::Start(start, error);
        EXPECT_FALSE(process);
        EXPECT_NE(error.message.find(name.substr(name.rfind('/') + 1)), std::string::npos) << error.message;
        EXPECT_NE(error.code, 0);
    }
}

TEST(Process, AHungProgramEndsWithinTheBoundOnceKilled) {
    Process process = StartPiped({"sleep", "100"});
    char room[16];
    EXPECT_EQ(process.ReadOutput(room, sizeof room, 20ms), kProcessOutputLater);
    EXPECT_FALSE(process.Wait(20ms));
    process.Kill();
    ProcessEnd end;
    ASSERT_TRUE(process.Wait(10s, &end));
    EXPECT_EQ(end.signal, SIGKILL);
}

TEST(Process, TheOwnerEndsItsProgramWhenItGoes) {
    std::int64_t id = 0;
    {
        Process process = StartPiped({"sleep", "100"});
        Process moved = std::move(process);
        EXPECT_FALSE(process);
        id = moved.Id();
        ASSERT_EQ(::kill(static_cast<pid_t>(id), 0), 0);
    }
    // Reaped too: not even a zombie is left to signal.
    EXPECT_NE(::kill(static_cast<pid_t>(id), 0), 0);
    EXPECT_EQ(errno, ESRCH);
}

TEST(Process, StopSignalsTheServerBlocksStillReachTheProgram) {
    sigset_t stop, before;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &stop, &before), 0);
    Process process = StartPiped({"sleep", "100"});
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ::kill(static_cast<pid_t>(process.Id()), SIGTERM);
    ProcessEnd end;
    ASSERT_TRUE(process.Wait(10s, &end));
    EXPECT_EQ(end.signal, SIGTERM);
}

TEST(Process, RunsLowerAndInheritsNoneOfTheServersFiles) {
    const int base = getpriority(PRIO_PROCESS, 0);
    Process niceness = StartPiped({"nice"}, 5);
    EXPECT_EQ(ReadAll(niceness), std::to_string(std::min(base + 5, 19)) + "\n");

    // A descriptor left inheritable by mistake (a library's socket, say) stays out of the program.
    const int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);
    Process fds = StartPiped({"/bin/sh", "-c", "ls /proc/$$/fd"});
    EXPECT_EQ(ReadAll(fds), "0\n1\n2\n");
    ::close(leaked);
}

TEST(Process, OutputAndErrorsGoToFiles) {
    test::TempDir dir;
    ProcessStart start;
    start.arguments = {"/bin/sh", "-c", "echo made; echo trouble >&2"};
    start.output = ProcessStart::Output::File;
    start.outputFile = dir.File("out");
    start.errorFile = dir.File("err");
    std::ofstream(start.errorFile) << "before\n";
    SystemError error;
    Process process = Process::Start(start, error);
    ASSERT_TRUE(process) << error.message;
    ProcessEnd end;
    ASSERT_TRUE(process.Wait(10s, &end));
    EXPECT_TRUE(end.Succeeded());
    std::stringstream out, err;
    out << std::ifstream(start.outputFile).rdbuf();
    err << std::ifstream(start.errorFile).rdbuf();
    EXPECT_EQ(out.str(), "made\n");
    EXPECT_EQ(err.str(), "before\ntrouble\n");
}

} // namespace
} // namespace tarnvale::platform
