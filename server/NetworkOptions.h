// The command-line options that set the network sides, as rows of the tools' option table: tarnvale-server (the
// Linux and the Windows console build) and the window read them with the same rows, so that both take the same
// values, word their errors alike and can do the same on the network.
#pragma once

#include "core/OptionParser.h"
#include "server/NetworkSides.h"

#include <string>
#include <vector>

namespace tarnvale {

// The rows, each taking its value into settings (which must outlive them): --port, --verbose, --sessions, --allow,
// --http, --public-url, --upnp, --name, --interface, --upnp-port. Where the build has no UPnP side, --upnp stays
// in the help to say so.
std::vector<OptionRow> NetworkOptionRows(NetworkSettings& settings);

// What is wrong with settings as a whole, for a usage error; empty when nothing is.
std::string NetworkOptionsMismatch(const NetworkSettings& settings);

} // namespace tarnvale
