// The catalogue page's HTML, CSS and script, built into the program from http/page/catalogue.html; the table rows
// go where it says <!--ROWS-->, the number of programs where it says <!--COUNT-->.
#pragma once

#include <string_view>

namespace tarnvale {

extern const std::string_view kCataloguePageTemplate;

} // namespace tarnvale
