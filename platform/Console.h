// Facts about the console the command-line tools write to.
#pragma once

#include <cstdio>

namespace tarnvale::platform {

// Whether stream goes to a terminal (so a progress line may be rewritten in place) rather than to a file or pipe.
bool IsTerminal(std::FILE* stream);

} // namespace tarnvale::platform
