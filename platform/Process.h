// A program of the system's started by this one (a converter, a picture maker): an argument vector and no shell, its
// output to a pipe or a file, at a lower priority than the server, and an owner that ends it. A program that hangs
// or crashes ends only its own work: the owner kills it and reaps it, and the server goes on.
#pragma once

#include "platform/FileHandle.h"
#include "platform/SystemError.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnvale::platform {

struct ProcessStart {
    // The program first, then its arguments, each handed over as it is. A program named without a folder is looked
    // for on PATH.
    std::vector<std::string> arguments;
    // Where its standard output goes: nowhere, into a pipe that ReadOutput reads, or into outputFile (created, or
    // emptied when it is there). Its standard input is always empty.
    enum class Output { Discard, Pipe, File } output = Output::Discard;
    std::string outputFile;
    // Its standard error is added to this file; empty: thrown away.
    std::string errorFile;
    // How much less than this process it runs at (0 to 19): work for later must not take the cores from answers
    // wanted now.
    int lowerPriority = 0;
};

// How a program ended.
struct ProcessEnd {
    bool exited = false; // it returned or called exit: code holds its status
    int code = 0;
    int signal = 0; // otherwise the signal (POSIX) that ended it
    bool Succeeded() const { return exited && code == 0; }
};

// What ReadOutput gives when the wait ran out before the program wrote anything.
inline constexpr long kProcessOutputLater = -2;

class Process {
public:
    Process() = default;
    // Kills the program, when it still runs, and reaps it.
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the program; an empty owner, with error saying why, when it cannot (no such program included).
    static Process Start(const ProcessStart& start, SystemError& error);

    explicit operator bool() const { return id_ != 0; }
    // The system's number for it; 0 for an empty owner.
    std::int64_t Id() const { return id_; }

    // Reads what it wrote to its output pipe into room (at most size bytes), waiting at most limit for some: the
    // count read, 0 at its end, kProcessOutputLater when the wait ran out, -1 on an error (or without a pipe).
    long ReadOutput(char* room, std::size_t size, std::chrono::milliseconds limit);
    // Ends it at once (and whatever it started in turn); Wait then reaps it.
    void Kill();
    // Holds it (and whatever it started) where it is, taking no processor time, until Resume: work done far
    // ahead of need waits there rather than taking the cores from work needed now.
    void Pause();
    void Resume();
    // Waits at most limit for it to end: true, with end filled when given, once it has ended (as often as asked
    // after that); false while it still runs.
    bool Wait(std::chrono::milliseconds limit, ProcessEnd* end = nullptr);

private:
    void Reset();

    std::int64_t id_ = 0;
    // What the system lets the owner wait on (a pidfd, a process handle); empty where it has none.
    UniqueFile waitable_;
    UniqueFile output_;
    bool reaped_ = false;
    ProcessEnd end_;
};

} // namespace tarnvale::platform
