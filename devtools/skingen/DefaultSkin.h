// The default skin, drawn in code: every bitmap and the skin.ini that names them. The files in skins/Tarnvale/
// are this function's output; change the drawing here and write them again with tarnvale-skingen.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarnvale {

// File name -> file bytes, for skin.ini and every bitmap it names.
std::map<std::string, std::vector<std::uint8_t>> DrawDefaultSkin();

} // namespace tarnvale
