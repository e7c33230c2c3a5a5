// The Windows console build has no HTTP library: its HTTP side never starts, and says why.
#include "server/HttpSide.h"

namespace tarnvale {

struct HttpSide::Service {};

bool HttpSide::Available() {
    return false;
}

HttpSide::HttpSide() = default;

HttpSide::~HttpSide() = default;

bool HttpSide::Start(const CMediaInfoList&, const AllowList&, std::uint32_t, std::uint16_t,
                     const std::optional<PublicUrl>&, std::function<void(const std::string&)>, bool,
                     std::string& error) {
    error = kAbsentText;
    return false;
}

std::uint16_t HttpSide::BoundPort() const {
    return 0;
}

void HttpSide::Stop() {}

void HttpSide::SetDocuments(HttpDocuments) {}

} // namespace tarnvale
