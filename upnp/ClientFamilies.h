// The control points people own, told apart per request by the headers they send, and what each changes in our
// answers. One table (ClientFamilies.cpp), each row with the evidence it rests on.
#pragma once

#include "upnp/MediaServerActions.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

struct ClientQuirks {
    // Asks ContentDirectory for X_GetFeatureList, and shows only what it lists there in its own views.
    bool featureList = false;
    // Browses with ContainerID where ObjectID belongs.
    bool containerIdForObjectId = false;
    // Plays AVI only when it is called video/avi.
    bool aviAsVideoAvi = false;
};

struct ClientFamily {
    const char* name; // for the log
    ClientQuirks quirks;
};

using HeaderLookup = std::function<std::optional<std::string_view>(const char* name)>;

// The family of the client whose request has these headers; the generic one when no row matches.
const ClientFamily& IdentifyClient(const HeaderLookup& header);

// The FeatureList X_GetFeatureList answers: the containers for video and music, as the sets that ask want them.
std::string FeatureList();

// What a family's request asks for, said the way the table of actions reads it: object ids %-decoded (some send
// them URL-encoded), ContainerID taken as ObjectID where the family writes it so.
ActionArguments NormalisedArguments(const ClientQuirks& quirks, std::string_view action, ActionArguments in);

// An answer's values as the family takes them (the MIME type of AVI in a DIDL-Lite Result).
void AdaptAnswer(const ClientQuirks& quirks, ActionArguments& out);

} // namespace tarnvale
