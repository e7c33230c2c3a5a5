// The HLS player library (hls.js) that the catalogue page loads from the server in browsers without HLS of their
// own; empty in a build that converts nothing.
#pragma once

#include <string_view>

namespace tarnvale {

extern const std::string_view kPlayerScript;

} // namespace tarnvale
