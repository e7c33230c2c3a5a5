// Reading and matching the allowed address ranges.
#include "net/AllowList.h"

#include "core/ParseInteger.h"
#include "net/HostAddress.h"

#include <algorithm>

namespace tarnvale {

std::optional<AllowList> AllowList::Parse(std::string_view text, std::string* error) {
    AllowList list;
    list.ranges_.clear();
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t slash = item.find('/');
        const std::optional<std::uint32_t> address = ParseIPv4(item.substr(0, slash));
        std::optional<int> bits = 32;
        if (slash != std::string_view::npos) {
            const std::string_view length = item.substr(slash + 1);
            bits = length.find_first_not_of("0123456789") == std::string_view::npos ? ParseInteger(length, 0, 32)
                                                                                    : std::nullopt;
        }
        if (!address || !bits) {
            if (error)
                *error = "\"" + std::string(item) +
                         "\" is not an IPv4 address range: write an address such as 192.168.1.20, or a network "
                         "and its prefix length such as 192.168.1.0/24";
            return std::nullopt;
        }
        // A shift by 32 is undefined, so /0 has its own mask.
        const std::uint32_t mask = *bits == 0 ? 0 : ~std::uint32_t{0} << (32 - *bits);
        list.ranges_.push_back(Range{*address & mask, mask});
        if (comma == std::string_view::npos)
            return list;
        text.remove_prefix(comma + 1);
    }
}

bool AllowList::Allows(std::uint32_t address) const {
    return std::any_of(ranges_.begin(), ranges_.end(),
                       [address](const Range& range) { return (address & range.mask) == range.network; });
}

} // namespace tarnvale
