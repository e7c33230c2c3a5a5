// POSIX console services.
#include "platform/Console.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <unistd.h>

namespace tarnvale::platform {
namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

sigset_t previousMask;

} // namespace

StopRequest::StopRequest() {
    // Blocked here, inherited by every thread started later, and taken synchronously by sigwait.
    sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previousMask);
}

StopRequest::~StopRequest() {
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

std::string StopRequest::Wait() {
    sigset_t set = StopSignals();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "SIGHUP";
    }
}

void StopRequest::Done() {}

void SetBinaryStdout() {}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

std::string UserDataDirectory() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return std::string(data) + "/tarnvale";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/tarnvale";
    return ".";
}

} // namespace tarnvale::platform
