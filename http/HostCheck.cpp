// The Host check: only forms a rebinding page cannot make its own pass. An address is safe to answer, since a
// page's origin is then that address and the browser keeps it apart from any site's.
#include "http/HostCheck.h"

#include "http/HeaderText.h"
#include "net/HostAddress.h"
#include "net/HostAndPort.h"

#include <algorithm>

namespace tarnvale {

bool HostAnswered(std::optional<std::string_view> host, const std::vector<std::string>& names) {
    if (!host)
        return true;
    const std::optional<HostAndPort> split = SplitHostAndPort(TrimmedHeaderText(*host));
    if (!split)
        return false;
    if (ParseIPv4(split->host) || IsBracketedIPv6(split->host))
        return true;
    const std::string name = AsciiLower(split->host);
    return name == "localhost" || std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::string> OwnHostNames(std::string_view host, std::string_view canonical) {
    std::vector<std::string> names;
    for (const std::string_view name : {host, host.substr(0, host.find('.')), canonical}) {
        if (!name.empty() && std::find(names.begin(), names.end(), AsciiLower(name)) == names.end())
            names.push_back(AsciiLower(name));
    }
    return names;
}

} // namespace tarnvale
