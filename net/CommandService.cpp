// Starting and stopping the command service.
#include "net/CommandService.h"

namespace tarnvale {

CommandService::CommandService(CMediaInfoList& catalogue, CListener* listener)
    : dispatcher_(catalogue, server_, sessions_), listener_(dispatcher_) {
    server_.Attach(listener ? listener : &listener_);
}

CommandService::~CommandService() {
    Stop();
}

bool CommandService::Start(platform::SystemError* error) {
    dispatcher_.AllowConnects();
    return server_.OpenReceiveSocket(error) && server_.StartReceiving(error);
}

void CommandService::Stop() {
    // A connect to a client whose address does not answer holds the receive thread, and with it this stop, for
    // the system's whole time-out unless it is given up first.
    dispatcher_.CancelConnects();
    // No command can run once receiving has stopped, so nothing starts a stream or opens a session after this.
    server_.StopReceiving();
    sessions_.EndAll();
}

} // namespace tarnvale
