// SsdpService: the device on SSDP. Announces it on one interface as it starts and again before the announcement's
// age is half gone, answers searches after a random wait within their MX (so that many servers answering one
// search do not all answer at once), and says goodbye as it stops. One thread of its own; what a flood can make it
// keep is bounded.
#pragma once

#include "upnp/SsdpMessage.h"

#include "platform/Socket.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace tarnvale {

class SsdpService {
public:
    SsdpService() = default;
    // Stops the service, with its goodbye.
    ~SsdpService();
    SsdpService(const SsdpService&) = delete;
    SsdpService& operator=(const SsdpService&) = delete;

    // Receives on UDP 1900 (shared with other programs of the machine that take part in SSDP) and joins the group
    // on the interface of interfaceAddress. False, with error saying why, when it cannot. warn gets what the
    // operator must hear while it runs.
    bool Start(SsdpDevice device, std::uint32_t interfaceAddress, std::function<void(const std::string&)> warn,
               std::string& error);
    // Says goodbye and stops the thread.
    void Stop();

private:
    void Run();
    void Announce(bool alive);

    SsdpDevice device_;
    std::function<void(const std::string&)> warn_;
    platform::Socket socket_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace tarnvale
