// What the socket sources share: the system's own socket declarations with the few words in which POSIX and
// Winsock differ (SocketCalls_posix.h or SocketCalls_win.h, named by CMake), and the address conversions.
#pragma once

#include "platform/Socket.h"

#include TARNVALE_SOCKET_CALLS

namespace tarnvale::platform {

sockaddr_in ToSockaddr(Endpoint endpoint);
Endpoint FromSockaddr(const sockaddr_in& address);

// Fills error, when given, with the system's words for code. what is plain text, so that nothing is built (and
// no system call made) before the failed call's code is read.
void Capture(SystemError* error, const char* what, int code);

// A socket of type and protocol that programs started by this process do not inherit.
Socket OpenSocket(int type, int protocol, SystemError* error);

// Waits at most timeoutMs for the socket to be readable, or else writable.
WaitResult WaitReady(NativeSocket socket, bool readable, int timeoutMs);

} // namespace tarnvale::platform
