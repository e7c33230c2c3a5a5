// tarnvale: the catalogue commands for operators without the Windows program.
#include "core/ListFile.h"
#include "platform/Console.h"
#include "tools/CatalogueTool.h"
#include "tools/DefaultListFile.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void OnInterrupt(int) {
    stopRequested.store(true);
}

} // namespace

int main(int argc, char** argv) {
    // A search stops early and saves what it found; a watch saves its last changes and ends.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const tarnvale::ToolStreams io{std::cout, std::cerr, tarnvale::platform::IsTerminal(stderr), &stopRequested,
                                   tarnvale::DefaultListFile()};
    return tarnvale::RunCatalogueTool(args, io);
}
