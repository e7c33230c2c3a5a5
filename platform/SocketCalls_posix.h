// The POSIX socket declarations, and the words the shared socket code uses where Winsock says it otherwise.
#pragma once

#include "platform/Socket.h"
#include "platform/SystemError.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace tarnvale::platform {

using SystemSocket = int;
using SocketLength = socklen_t;
inline constexpr int kShutdownBoth = SHUT_RDWR;

// Asks for a receive buffer beyond the system's limit, which only a privileged process gets; 0 where the
// system has no such option.
#ifdef SO_RCVBUFFORCE
inline constexpr int kForcedReceiveBuffer = SO_RCVBUFFORCE;
#else
inline constexpr int kForcedReceiveBuffer = 0;
#endif

inline SystemSocket Handle(NativeSocket socket) {
    return static_cast<SystemSocket>(socket);
}

// The error of the socket call that has just failed.
inline int LastSocketError() {
    return errno;
}

// The resolver's codes are its own, with words of their own.
inline SystemError ResolveError(int code, const std::string& what) {
    return SystemError{code, what + ": " + ::gai_strerror(code)};
}

} // namespace tarnvale::platform
