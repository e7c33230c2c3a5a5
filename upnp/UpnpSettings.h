// What the UPnP side is started with. Portable, so that the server names it in every build.
#pragma once

#include "core/MediaInfo.h"
#include "http/HttpDocuments.h"
#include "net/AllowList.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarnvale {

struct UpnpSettings {
    std::string interfaceName;
    std::uint32_t address = 0; // the interface's IPv4 address, host order
    std::uint16_t port = 0;    // of the library's server for control and events; 0 takes any free one
    std::string friendlyName;  // empty: "Tarnvale on HOSTNAME"
    // The UDN is made from these two, so the same server keeps it across restarts.
    std::string hostName;
    std::string listFile; // an absolute path
    // Where the HTTP side serves the documents, and where the res URLs lead ("http://HOST:PORT").
    std::string documentOrigin;
    std::string mediaOrigin;
    AllowList allow;
    // A line per action and per subscription, from the library's threads; none: quiet.
    std::function<void(const std::string&)> log;
    // What the operator must hear in any case (a start that is retried).
    std::function<void(const std::string&)> warn;
    // Hands the documents to the HTTP side, before the device is announced.
    std::function<void(HttpDocuments)> publish;
    // Which programs have a picture on the HTTP side (none without it).
    std::function<bool(const CMediaInfo&)> hasPicture;
};

} // namespace tarnvale
