// Host name and address lookup through the platform's resolver.
#include "net/HostAddress.h"

#include "core/ParseInteger.h"
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

std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos)
            return std::nullopt;
        const std::string_view number = text.substr(0, dot);
        // Digits only: the integer reader would also take a sign.
        if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        const std::optional<std::uint32_t> value = ParseInteger<std::uint32_t>(number, 0, 255);
        if (!value)
            return std::nullopt;
        address = address << 8 | *value;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return address;
}

std::string HostLine(const std::string& name, const std::string& address, int port) {
    return "Host: " + name + "  IP: " + address + "  Command Port (UDP) : " + std::to_string(port);
}

} // namespace tarnvale
