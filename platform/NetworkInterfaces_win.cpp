// The interfaces as Windows lists them (GetAdaptersAddresses): named as the network settings show them
// ("Ethernet", "Wi-Fi"), with the first IPv4 unicast address of each.
#include "platform/NetworkInterfaces.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <windows.h>

#include <string>
#include <vector>

namespace tarnvale::platform {

namespace {

std::string Utf8(const wchar_t* text) {
    if (!text || !*text)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size) - 1);
    return utf8;
}

} // namespace

std::vector<NetworkInterface> ListNetworkInterfaces(std::string& error) {
    // The list's size is known only by asking; it may grow between the asks, so a few tries.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result =
            GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                 nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result == ERROR_NO_DATA)
        return {};
    if (result != NO_ERROR) {
        error =
            "the network interfaces cannot be listed (GetAdaptersAddresses failed with " + std::to_string(result) + ")";
        return {};
    }
    std::vector<NetworkInterface> interfaces;
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter; adapter = adapter->Next) {
        NetworkInterface row;
        row.name = Utf8(adapter->FriendlyName);
        if (row.name.empty())
            row.name = adapter->AdapterName ? adapter->AdapterName : "";
        row.up = adapter->OperStatus == IfOperStatusUp;
        row.loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast && !row.address; unicast = unicast->Next) {
            const SOCKET_ADDRESS& address = unicast->Address;
            if (address.lpSockaddr && address.lpSockaddr->sa_family == AF_INET)
                row.address = ntohl(reinterpret_cast<const sockaddr_in*>(address.lpSockaddr)->sin_addr.s_addr);
        }
        interfaces.push_back(std::move(row));
    }
    return interfaces;
}

} // namespace tarnvale::platform
