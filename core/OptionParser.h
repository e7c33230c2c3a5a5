// The command-line options of the tools: each tool lists its options as rows of one table, and the parser reads
// them, writes the options part of --help from the same rows, and words every error alike.
#pragma once

#include "core/ParseInteger.h"

#include <concepts>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarnvale {

// One option. A switch (value empty) is taken with "" as its value; the others take the next argument or what
// follows "=" in --name=value.
struct OptionRow {
    std::string name;  // "--port"
    std::string alias; // "-v", or empty
    std::string value; // what the value is called in the help ("N", "FILE"); empty for a switch
    // The help, its further lines after "\n"; empty keeps the row out of the options list (a command's own
    // option, say, that the command's help describes).
    std::string help;
    // Takes the value: empty when taken, otherwise the error the user sees ("--port wants a number from 0 to
    // 65535, not \"x\"").
    std::function<std::string(const std::string& value)> take;
};

// The usual rows: a switch that sets flag, a value that is kept as it is (and may not be empty), a whole number
// from min to max.
OptionRow SwitchOption(std::string name, std::string help, bool& flag, std::string alias = {});
OptionRow TextOption(std::string name, std::string value, std::string help, std::string& text);
OptionRow TextOption(std::string name, std::string value, std::string help, std::optional<std::string>& text);

// "--NAME wants WANTS, not "VALUE"".
std::string WantsText(const std::string& name, const std::string& wants, const std::string& value);

template <std::integral T, typename Target>
OptionRow IntegerOption(std::string name, std::string value, std::string help, Target& target, T min, T max,
                        std::string wants = {}) {
    if (wants.empty())
        wants = "a number from " + std::to_string(min) + " to " + std::to_string(max);
    return OptionRow{
        name, {}, std::move(value), std::move(help), [&target, name, min, max, wants](const std::string& text) {
            const std::optional<T> number = ParseInteger<T>(text, min, max);
            if (!number)
                return WantsText(name, wants, text);
            target = *number;
            return std::string();
        }};
}

class OptionParser {
public:
    // tool names the program in errors and in --version; usage leads the help, the options list follows it.
    OptionParser(std::string tool, std::string usage, std::vector<OptionRow> rows);

    enum class Outcome {
        Go,      // the options are taken; words holds the rest
        Help,    // --help or -h: print Help() on standard output, exit 0
        Version, // --version: print Version() on standard output, exit 0
        Wrong,   // print error on standard error, exit 2
    };
    struct Result {
        Outcome outcome = Outcome::Go;
        // The arguments that are not options, in order: a command and its arguments. A negative number is one,
        // and so is everything after "--".
        std::vector<std::string> words;
        std::string error; // a whole line for standard error, with its newline
    };
    Result Parse(const std::vector<std::string>& args) const;
    // Parses args; for --help, --version or a wrong call, writes the help, the version or the error where it
    // belongs and gives the exit status (0, 0, 2), otherwise nothing and words holds the rest.
    std::optional<int> Parse(const std::vector<std::string>& args, std::vector<std::string>& words, std::ostream& out,
                             std::ostream& err) const;

    std::string Help() const;
    std::string Version() const;
    // "TOOL: text; see TOOL --help", with its newline: how every error in calling a tool is told.
    std::string UsageError(const std::string& text) const;

private:
    const OptionRow* Find(const std::string& name) const;

    std::string tool_;
    std::string usage_;
    std::vector<OptionRow> rows_;
};

} // namespace tarnvale
