// The catalogue page's grid: a tile per program with its picture (or a plain mark of its type), its name and its
// subtitles, written from the same programs as the table beside it.
#pragma once

#include "http/CatalogueViews.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnvale {

// The tiles' markup, links led by origin as CataloguePage's; names are text, never markup.
std::string CatalogueTiles(const std::vector<ShownProgram>& programs, std::string_view origin);

} // namespace tarnvale
