// AllowList: the IPv4 addresses a server answers and connects to, as ranges in CIDR form ("192.168.1.0/24");
// by default every address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

class AllowList {
public:
    // Allows every address.
    AllowList() = default;

    // Reads ranges separated by commas, each an IPv4 address with an optional prefix length from 0 to 32 (none:
    // that one address). Host bits below the prefix are ignored, so "192.168.1.7/24" is the whole /24. Nothing,
    // with error (when given) naming the range that is wrong, unless every range reads.
    static std::optional<AllowList> Parse(std::string_view text, std::string* error = nullptr);

    bool Allows(std::uint32_t address) const;
    // Allows address too (this machine's own, which the UPnP library reads its description from).
    void AllowAlso(std::uint32_t address) { ranges_.push_back(Range{address, 0xFFFFFFFFu}); }

private:
    struct Range {
        std::uint32_t network;
        std::uint32_t mask;
    };
    std::vector<Range> ranges_{Range{0, 0}};
};

} // namespace tarnvale
