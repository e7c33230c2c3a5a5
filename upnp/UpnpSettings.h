// What the UPnP side is started with. Portable, so that the server names it in every build.
#pragma once

#include "core/MediaInfo.h"
#include "http/HttpDocuments.h"
#include "http/HttpRoute.h"
#include "net/AllowList.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarnvale {

struct UpnpSettings {
    std::string interfaceName;
    std::uint32_t address = 0; // the interface's IPv4 address, host order
    // Control and events on a port of the side's own; 0: on the HTTP side, by route.
    std::uint16_t port = 0;
    std::string friendlyName; // empty: "Tarnvale on HOSTNAME"
    // The UDN is made from these two, so the same server keeps it across restarts.
    std::string hostName;
    std::string listFile; // an absolute path
    // Where the HTTP side serves the documents, and where the res URLs lead ("http://HOST:PORT").
    std::string documentOrigin;
    std::string mediaOrigin;
    AllowList allow;
    // A line per action and per subscription, from the HTTP side's threads; none: quiet.
    std::function<void(const std::string&)> log;
    // What the operator must hear in any case (a start that is retried).
    std::function<void(const std::string&)> warn;
    // Hands the documents to the HTTP side, before the device is announced.
    std::function<void(HttpDocuments)> publish;
    // Hands control and events to the HTTP side (route), and takes them back (unroute, by prefix) as the side
    // stops, before the goodbye.
    std::function<void(HttpRoute)> route;
    std::function<void(const std::string& prefix)> unroute;
    // Which programs have a picture on the HTTP side (none without it).
    std::function<bool(const CMediaInfo&)> hasPicture;
    // Where a program's converted stream is on the media origin (empty for one not converted), and its
    // protocolInfo; none without conversions.
    std::function<std::string(const CMediaInfo&)> convertedPath;
    std::string convertedInfo;
};

} // namespace tarnvale
