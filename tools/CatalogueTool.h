// The command-line tools for the catalogue: `tarnvale` (show and edit a list file, search folders) and
// `tarnvale-probe` (what the probe makes of files). Each runs from its arguments and writes to the streams it is
// given, so the same code serves the executables and the tests.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

namespace tarnvale {

struct ToolStreams {
    std::ostream& out;
    std::ostream& err;
    // When err is a terminal, the search's progress line is rewritten in place; otherwise it is printed now and
    // then as a line of its own.
    bool errIsTerminal = false;
    // Set (by Ctrl-C, say) to stop a folder search; what it found so far is saved.
    const std::atomic<bool>* cancel = nullptr;
    // The list file used without --list (the one the headless server serves by default); empty makes --list
    // required. Its folder is created when the file is first saved.
    std::string defaultList = {};
};

// Runs `tarnvale` with args (the program's arguments, without its name). Returns the exit status.
int RunCatalogueTool(const std::vector<std::string>& args, const ToolStreams& io);

// Runs `tarnvale-probe FILE...`: one line per file (type code, type text, size, tail offset, path). Returns 1 when a
// file was refused, 2 for a usage error, 0 otherwise.
int RunProbeTool(const std::vector<std::string>& args, const ToolStreams& io);

} // namespace tarnvale
