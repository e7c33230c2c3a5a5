// Reading the tools' options from their table.
#include "core/OptionParser.h"

#include <algorithm>

namespace tarnvale {

OptionRow SwitchOption(std::string name, std::string help, bool& flag, std::string alias) {
    return OptionRow{std::move(name), std::move(alias), {}, std::move(help), [&flag](const std::string&) {
                         flag = true;
                         return std::string();
                     }};
}

namespace {

template <typename Target>
OptionRow Text(std::string name, std::string value, std::string help, Target& target) {
    return OptionRow{name, {}, value, std::move(help), [&target, name, value](const std::string& text) {
                         if (text.empty())
                             return name + " wants " + value + ", not an empty value";
                         target = text;
                         return std::string();
                     }};
}

// A negative number is a command's argument (a PID, say), not an option.
bool IsOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-' && !ParseInteger<long long>(arg);
}

} // namespace

OptionRow TextOption(std::string name, std::string value, std::string help, std::string& text) {
    return Text(std::move(name), std::move(value), std::move(help), text);
}

OptionRow TextOption(std::string name, std::string value, std::string help, std::optional<std::string>& text) {
    return Text(std::move(name), std::move(value), std::move(help), text);
}

std::string WantsText(const std::string& name, const std::string& wants, const std::string& value) {
    return name + " wants " + wants + ", not \"" + value + "\"";
}

OptionParser::OptionParser(std::string tool, std::string usage, std::vector<OptionRow> rows)
    : tool_(std::move(tool)), usage_(std::move(usage)), rows_(std::move(rows)) {
    // Parse answers these two itself, before any row would take them.
    rows_.push_back(OptionRow{"--help", "-h", {}, "this text", nullptr});
    rows_.push_back(OptionRow{"--version", {}, {}, "the version", nullptr});
}

const OptionRow* OptionParser::Find(const std::string& name) const {
    for (const OptionRow& row : rows_)
        if (name == row.name || (!row.alias.empty() && name == row.alias))
            return &row;
    return nullptr;
}

OptionParser::Result OptionParser::Parse(const std::vector<std::string>& args) const {
    Result result;
    auto wrong = [&](const std::string& text) {
        result.outcome = Outcome::Wrong;
        result.error = text;
        return result;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            result.words.insert(result.words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (!IsOption(arg)) {
            result.words.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        const OptionRow* row = Find(name);
        if (!row)
            return wrong(UsageError("unknown option " + name));
        if (row->name == "--help") {
            result.outcome = Outcome::Help;
            return result;
        }
        if (row->name == "--version") {
            result.outcome = Outcome::Version;
            return result;
        }
        std::string value;
        if (equals != std::string::npos) {
            if (row->value.empty())
                return wrong(UsageError(row->name + " takes no value"));
            value = arg.substr(equals + 1);
        } else if (!row->value.empty()) {
            if (i + 1 == args.size())
                return wrong(UsageError("missing value after " + row->name));
            value = args[++i];
        }
        if (std::string error = row->take(value); !error.empty())
            return wrong(tool_ + ": " + error + "\n");
    }
    return result;
}

std::optional<int> OptionParser::Parse(const std::vector<std::string>& args, std::vector<std::string>& words,
                                       std::ostream& out, std::ostream& err) const {
    Result result = Parse(args);
    switch (result.outcome) {
    case Outcome::Help:
        out << Help();
        return 0;
    case Outcome::Version:
        out << Version();
        return 0;
    case Outcome::Wrong:
        err << result.error;
        return 2;
    case Outcome::Go:
        break;
    }
    words = std::move(result.words);
    return std::nullopt;
}

std::string OptionParser::Help() const {
    // Every help starts in one column, and so do its further lines.
    std::size_t width = 0;
    for (const OptionRow& row : rows_)
        if (!row.help.empty())
            width = std::max(width, row.name.size() + (row.value.empty() ? 0 : row.value.size() + 1));
    std::string text = usage_ + "\nOptions:\n";
    for (const OptionRow& row : rows_) {
        if (row.help.empty())
            continue;
        std::string synopsis = row.name + (row.value.empty() ? "" : " " + row.value);
        synopsis.resize(width, ' ');
        std::string help = row.help;
        for (std::size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
            help.insert(at + 1, width + 4, ' ');
        text += "  " + synopsis + "  " + help + "\n";
    }
    return text;
}

std::string OptionParser::Version() const {
    // The project's version, as CMake knows it.
    return tool_ + " " + TARNVALE_VERSION + "\n";
}

std::string OptionParser::UsageError(const std::string& text) const {
    return tool_ + ": " + text + "; see " + tool_ + " --help\n";
}

} // namespace tarnvale
