// Documents served beside the programs for other sides of the server (the UPnP description), by path. Portable:
// the Windows console build names them too, though it has no HTTP side to serve them.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace tarnvale {

struct HttpDocument {
    std::string contentType;
    std::string body;
};
using HttpDocuments = std::map<std::string, HttpDocument, std::less<>>;

} // namespace tarnvale
