// Win32 console services.
#include "platform/Console.h"

#include "platform/Event_win.h"
#include "platform/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace tarnvale::platform {
namespace {

// Created and closed by StopRequest; the handler only runs while one exists.
UniqueEvent stopEvent;
UniqueEvent doneEvent;
std::atomic<const char*> stopReason{"Ctrl+C"};

BOOL WINAPI OnConsoleEvent(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
        stopReason = "Ctrl+C";
        SetEvent(stopEvent.get());
        return TRUE;
    case CTRL_BREAK_EVENT:
        stopReason = "Ctrl+Break";
        SetEvent(stopEvent.get());
        return TRUE;
    default:
        // Closing the console, logging off, shutting down: the process ends when this returns, so give the
        // program a few seconds to stop in order and save its list file.
        stopReason = "the console closing";
        SetEvent(stopEvent.get());
        WaitForSingleObject(doneEvent.get(), 4000);
        return TRUE;
    }
}

} // namespace

struct StopRequest::State {
    UniqueEvent release;
};

StopRequest::StopRequest() : state_(std::make_unique<State>()) {
    stopEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    doneEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    state_->release.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopRequest::~StopRequest() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    Done();
    stopEvent.reset();
    doneEvent.reset();
}

std::string StopRequest::Wait() {
    const HANDLE events[2] = {stopEvent.get(), state_->release.get()};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0)
        return {};
    return stopReason.load();
}

void StopRequest::Release() {
    SetEvent(state_->release.get());
}

void StopRequest::Done() {
    if (doneEvent)
        SetEvent(doneEvent.get());
}

void SetBinaryStdout() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

std::string UserDataDirectory() {
    return std::string();
}

} // namespace tarnvale::platform
