// The catalogue's command-line tool, `tarnvale`: show and edit a list file, search, verify and watch folders. It runs
// from its arguments and writes to the streams it is given, so the same code serves the executable and the tests.
#pragma once

#include "catalogue/ToolStreams.h"

#include <string>
#include <vector>

namespace tarnvale {

// Runs `tarnvale` with args (the program's arguments, without its name). Returns the exit status.
int RunCatalogueTool(const std::vector<std::string>& args, const ToolStreams& io);

} // namespace tarnvale
