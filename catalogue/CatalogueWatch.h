// `tarnvale watch`: a long-running writer that keeps a catalogue in step with folders. It starts with a search of
// each folder, then follows them through the system's change notices (and rescans where those fail): settled new
// media files are added with the next PID, changed ones probed again in place, removed ones dropped, renamed ones
// keep their PID. Each burst of changes is one save, under the writers' lock.
#pragma once

#include "catalogue/ToolStreams.h"

#include <chrono>
#include <string>
#include <vector>

namespace tarnvale {

struct WatchOptions {
    std::vector<std::string> folders;
    // A new or changed file is probed once its size and modification time have not changed for this long.
    std::chrono::milliseconds settle{5000};
    // Rescans every folder this often as well (0: only when notices fail), for shares that send no notices.
    std::chrono::seconds poll{0};
    bool verbose = false; // a line per change
};

// Runs until io.cancel is set. 0 after a clean stop; 1 when it could not start or the last changes were not saved.
int RunCatalogueWatch(const std::string& listPath, const WatchOptions& options, const ToolStreams& io);

} // namespace tarnvale
