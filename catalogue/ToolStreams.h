// Where a command-line tool writes, so that the same code serves the executables and the tests.
#pragma once

#include "catalogue/ToolStop.h"

#include <ostream>
#include <string>

namespace tarnvale {

struct ToolStreams {
    std::ostream& out;
    std::ostream& err;
    // When err is a terminal, the search's progress line is rewritten in place; otherwise it is printed now and
    // then as a line of its own.
    bool errIsTerminal = false;
    // Stopped (by Ctrl-C, say) to end a search, a verify or a watch early; what they found so far is saved.
    ToolStop* stop = nullptr;
    // The list file used without --list (the one the headless server serves by default); empty makes --list
    // required. Its folder is created when the file is first saved.
    std::string defaultList = {};
};

} // namespace tarnvale
