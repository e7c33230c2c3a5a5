// The actions of the media server's services: arguments in, arguments out or a fault, with no network in sight.
// The control route only hands them over and back.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnvale {

class ContentDirectory;

using ActionArguments = std::vector<std::pair<std::string, std::string>>;

// UPnP fault codes this server answers with.
enum ActionFault : int {
    kInvalidAction = 401,
    kInvalidArgs = 402,
    kActionFailed = 501,
    kInvalidConnection = 706,
    kNoSuchObject = 701,
    kBadSearchCriteria = 708,
};

struct ActionAnswer {
    int fault = 0; // 0: out holds the answer
    std::string faultText;
    ActionArguments out;
};

// What the action of the service with serviceId answers to in. Every argument the service's description names
// as in must be there; others are ignored.
ActionAnswer AnswerAction(const ContentDirectory& directory, std::string_view serviceId, std::string_view action,
                          const ActionArguments& in);

// The value of the first argument named name, or nullptr.
const std::string* ArgumentValue(const ActionArguments& arguments, std::string_view name);

// The values of the evented state variables of the service with serviceId, for a new subscriber.
ActionArguments EventedValues(const ContentDirectory& directory, std::string_view serviceId);

// The protocolInfo of every kind of file served, comma-separated (ConnectionManager's SourceProtocolInfo).
std::string SourceProtocolInfo();

} // namespace tarnvale
