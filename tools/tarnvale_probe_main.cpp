// tarnvale-probe: what the probe makes of files, one line per file.
#include "catalogue/ProbeTool.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tarnvale::RunProbeTool(args, tarnvale::ToolStreams{std::cout, std::cerr});
}
