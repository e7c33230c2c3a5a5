// Command lines run through the shell by the native tests that drive whole programs: their output and exit code,
// and words quoted for the shell.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tarnvale::test {

struct Ran {
    int code = -1; // -1 when the command could not be run or did not exit normally
    std::string out;
};

// Runs command with its standard error joined to its standard output.
inline Ran RunCommand(const std::string& command) {
    Ran ran;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return ran;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        ran.out.append(buffer, n);
    const int status = pclose(pipe);
    ran.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace tarnvale::test
