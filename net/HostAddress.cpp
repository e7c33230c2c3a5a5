// Host name and address lookup through the platform's resolver.
#include "net/HostAddress.h"

#include "platform/Socket.h"

namespace tarnvale {

bool GetHostAddress(std::string& address, std::string* name) {
    std::string host;
    if (!platform::LocalHostName(host))
        return false;
    if (name)
        *name = host;
    std::uint32_t resolved = 0;
    if (!platform::ResolveIPv4(host, resolved))
        return false;
    address = FormatIPv4(resolved);
    return true;
}

std::string FormatIPv4(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
           std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::string HostLine(const std::string& name, const std::string& address, int port) {
    return "Host: " + name + "  IP: " + address + "  Command Port (UDP) : " + std::to_string(port);
}

} // namespace tarnvale
