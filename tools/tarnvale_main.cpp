// tarnvale: the catalogue commands for operators without the Windows program.
#include "catalogue/CatalogueTool.h"
#include "catalogue/ToolStop.h"
#include "platform/Console.h"
#include "tools/DefaultListFile.h"

#include <iostream>
#include <thread>

int main(int argc, char** argv) {
    // Before any thread starts. A stop request (Ctrl+C, SIGTERM, the console window closing) ends a search early,
    // keeping what it found, and a watch after its last save; closing the console waits for that save (Done).
    tarnvale::platform::StopRequest request;
    tarnvale::ToolStop stop;
    std::thread waiter([&] {
        if (!request.Wait().empty())
            stop.Stop();
    });
    const std::vector<std::string> args(argv + 1, argv + argc);
    const tarnvale::ToolStreams io{std::cout, std::cerr, tarnvale::platform::IsTerminal(stderr), &stop,
                                   tarnvale::DefaultListFile()};
    const int status = tarnvale::RunCatalogueTool(args, io);
    std::cout.flush();
    request.Release();
    waiter.join();
    request.Done();
    return status;
}
