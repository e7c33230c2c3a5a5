// The Winsock declarations, and the words the shared socket code uses where POSIX says it otherwise.
#pragma once

#include "platform/Socket.h"
#include "platform/SystemError.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <string>

namespace tarnvale::platform {

using SystemSocket = SOCKET;
using SocketLength = int;
inline constexpr int kShutdownBoth = SD_BOTH;

// Winsock has no option for a receive buffer beyond the system's limit.
inline constexpr int kForcedReceiveBuffer = 0;

inline SystemSocket Handle(NativeSocket socket) {
    return static_cast<SystemSocket>(socket);
}

// The error of the socket call that has just failed.
inline int LastSocketError() {
    return WSAGetLastError();
}

// The resolver reports Winsock codes, which the system's error texts know.
inline SystemError ResolveError(int code, const std::string& what) {
    return MakeSystemError(code, what);
}

} // namespace tarnvale::platform
