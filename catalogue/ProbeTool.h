// `tarnvale-probe`: what the probe makes of files, run from its arguments and written to the streams it is given.
#pragma once

#include "catalogue/ToolStreams.h"

#include <string>
#include <vector>

namespace tarnvale {

// Runs `tarnvale-probe FILE...`: one line per file (type code, type text, size, tail offset, path). Returns 1 when a
// file was refused, 2 for a usage error, 0 otherwise.
int RunProbeTool(const std::vector<std::string>& args, const ToolStreams& io);

} // namespace tarnvale
