// tarnvale: the catalogue's operations from the command line, on a list file named with --list. Each edit loads
// the whole list file, changes it and saves it in one atomic replace; a list file that cannot be read whole is
// never overwritten.
#include "tools/CatalogueTool.h"
#include "core/ListFile.h"
#include "core/MediaType.h"
#include "core/ParseInteger.h"
#include "media/FolderWalk.h"
#include "media/MediaProbe.h"
#include "tools/OptionParser.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>

namespace tarnvale {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: tarnvale [--list FILE] COMMAND [ARGUMENTS]\n"
    "Shows and edits the catalogue kept in the list file FILE, which is created when missing.\n"
    "%s"
    "\n"
    "commands:\n"
    "  show                            list the programs: PID, type, size, tail offset, path\n"
    "  add MEDIA_FILE PID              probe a file and add it as a program with that PID\n"
    "  pid MEDIA_FILE PID              give the program with that path a new PID\n"
    "  delete MEDIA_FILE               delete the program with that path\n"
    "  delete-all                      delete every program\n"
    "  search FOLDER [--first-pid N]   add every media file below FOLDER, numbered from N (default 10)\n"
    "\n"
    "Paths are stored in full; a program's path is matched without regard to letter case, and where several\n"
    "programs match, the first one counts. Ctrl-C stops a search and keeps what it found. A running\n"
    "tarnvale-server serves the changes from its next command on.\n";

std::string Usage(const ToolStreams& io) {
    std::string text = kUsage;
    text.replace(text.find("%s"), 2,
                 io.defaultList.empty()
                     ? ""
                     : "Without --list: " + io.defaultList + ", as tarnvale-server ($TARNVALE_LIST names another).\n");
    return text;
}

struct Session {
    const ToolStreams& io;
    std::string listPath;
    std::vector<std::string> words; // the command's own arguments
    std::optional<std::int32_t> firstPid;
    CMediaInfoList catalogue;
};

int Fail(const ToolStreams& io, const std::string& text) {
    io.err << "tarnvale: " << text << '\n';
    return 1;
}

int UsageError(const ToolStreams& io, const std::string& text) {
    io.err << "tarnvale: " << text << "; see tarnvale --help\n";
    return 2;
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

// "1 file", "2 files".
std::string Count(std::size_t n, const char* thing) {
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

std::string ProgramLine(const CMediaInfo& record) {
    char line[64];
    std::snprintf(line, sizeof line, "%6d  %-7s %11d %11d  ", record.m_nPID, MediaTypeText(record.m_nType),
                  record.m_nSize, record.m_nTailOffset);
    return line + std::string(record.Path());
}

// Loads the list file. An editing command refuses a file it could not read whole, so that saving never drops
// records it did not understand.
bool Load(Session& s, bool forEditing) {
    ListFileLoad load;
    if (!LoadListFile(s.listPath, s.catalogue, &load)) {
        Fail(s.io, FailedLoadText(s.listPath, load) + "." +
                       (forEditing ? " Nothing was changed; repair or remove the file first." : ""));
        return false;
    }
    if (load.recordsSkipped > 0) {
        const std::string what = std::to_string(load.recordsSkipped) + " record(s) of the list file " + s.listPath +
                                 " have paths longer than 255 characters";
        if (forEditing) {
            Fail(s.io, what + " and would be lost by saving. Nothing was changed.");
            return false;
        }
        s.io.err << "tarnvale: " << what << "; they are not shown.\n";
    }
    return true;
}

int Save(Session& s, const std::string& done) {
    if (s.listPath == s.io.defaultList) {
        std::error_code ignored;
        fs::create_directories(fs::path(s.listPath).parent_path(), ignored);
    }
    platform::SystemError error;
    if (!SaveListFile(s.listPath, s.catalogue, &error))
        return Fail(s.io, "cannot save the list file: " + error.message + ".");
    s.io.out << done << '\n';
    return 0;
}

int Show(Session& s) {
    if (!Load(s, false))
        return 1;
    const std::vector<CMediaInfo> records = s.catalogue.Snapshot();
    if (records.empty()) {
        s.io.out << "The catalogue in " << s.listPath << " is empty.\n";
        return 0;
    }
    s.io.out << "   PID  TYPE           SIZE        TAIL  PATH\n";
    for (const CMediaInfo& record : records)
        s.io.out << ProgramLine(record) << '\n';
    s.io.out << Count(records.size(), "program") << '\n';
    return 0;
}

int Add(Session& s) {
    const std::optional<std::int32_t> pid = ParseInteger<std::int32_t>(s.words[1]);
    if (!pid)
        return UsageError(s.io, "the PID must be a whole number, not \"" + s.words[1] + "\"");
    if (!Load(s, true))
        return 1;
    const std::string path = FullPath(s.words[0]);
    if (!fs::is_regular_file(path))
        return Fail(s.io, "there is no file " + path + " to add.");
    CMediaInfo record;
    if (!SetFile(record, path.c_str(), [&](const char* text) { s.io.err << path << ": " << text << '\n'; }))
        return 1;
    record.m_nPID = *pid;
    s.catalogue.Append(record);
    return Save(s, "added:\n" + ProgramLine(record));
}

// The program whose path is given, as typed or in full.
std::optional<std::string> FindProgram(Session& s, const std::string& path) {
    for (const std::string& candidate : {path, FullPath(path)})
        if (auto found = s.catalogue.FindByPath(candidate.c_str()))
            return std::string(found->Path());
    Fail(s.io, "no program has the path " + path + " (tarnvale --list " + s.listPath + " show lists them).");
    return std::nullopt;
}

int ChangePid(Session& s) {
    const std::optional<std::int32_t> pid = ParseInteger<std::int32_t>(s.words[1]);
    if (!pid)
        return UsageError(s.io, "the PID must be a whole number, not \"" + s.words[1] + "\"");
    if (!Load(s, true))
        return 1;
    const std::optional<std::string> path = FindProgram(s, s.words[0]);
    if (!path)
        return 1;
    CMediaInfo record = *s.catalogue.FindByPath(path->c_str());
    record.m_nPID = *pid;
    s.catalogue.UpdateByPath(path->c_str(), record);
    return Save(s, "changed:\n" + ProgramLine(record));
}

int Delete(Session& s) {
    if (!Load(s, true))
        return 1;
    const std::optional<std::string> path = FindProgram(s, s.words[0]);
    if (!path)
        return 1;
    s.catalogue.RemoveByPath(path->c_str());
    return Save(s, "deleted " + *path);
}

int DeleteAll(Session& s) {
    // Nothing of the old file needs to be understood to empty it, so a broken list file can be cleared too.
    const std::size_t count = LoadListFile(s.listPath, s.catalogue) ? s.catalogue.Count() : 0;
    s.catalogue.RemoveAll();
    return Save(s, "deleted all programs (" + std::to_string(count) + ")");
}

// The search's progress line: rewritten in place on a terminal, otherwise a line every few seconds.
class ProgressLine {
public:
    // Away from a terminal the first line waits its turn too, so a quick search prints only its summary.
    ProgressLine(const ToolStreams& io, std::string folder)
        : io_(io), folder_(std::move(folder)), last_(io.errIsTerminal ? Clock::time_point{} : Clock::now()) {}

    void Update(const FolderWalkProgress& progress, bool force = false) {
        const auto now = Clock::now();
        const auto every = io_.errIsTerminal ? std::chrono::milliseconds(100) : std::chrono::seconds(2);
        if (!force && now - last_ < every)
            return;
        last_ = now;
        io_.err << (io_.errIsTerminal ? "\r" : "") << "searching " << folder_ << ": "
                << Count(progress.filesSeen, "file") << " looked at, " << Count(progress.programsAdded, "program")
                << " added" << (io_.errIsTerminal ? "" : "\n") << std::flush;
        open_ = io_.errIsTerminal;
    }

    // Ends the line in place, so that other text starts on a line of its own.
    void Break() {
        if (open_)
            io_.err << '\n';
        open_ = false;
    }

private:
    const ToolStreams& io_;
    std::string folder_;
    Clock::time_point last_;
    bool open_ = false;
};

int Search(Session& s) {
    const std::string folder = FullPath(s.words[0]);
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return Fail(s.io, folder + " is not a folder that can be searched.");
    if (!Load(s, true))
        return 1;
    std::int32_t counter = s.firstPid.value_or(kFirstSearchPid);
    const std::int32_t firstPid = counter <= kFirstSearchPid ? kFirstSearchPid : counter;

    ProgressLine line(s.io, folder);
    FolderWalkHooks hooks;
    hooks.add = [&](const CMediaInfo& record) { s.catalogue.Append(record); };
    hooks.progress = [&](const FolderWalkProgress& progress) { line.Update(progress); };
    hooks.refused = [&](const std::string& path, const char* text) {
        line.Break();
        s.io.err << path << ": " << text << '\n';
    };
    hooks.cancel = s.io.cancel;
    const FolderWalkProgress result = WalkFolder(folder, counter, hooks);
    if (s.io.errIsTerminal)
        line.Update(result, true); // the line's last state stays on screen above the summary
    line.Break();

    std::string done = "searched " + folder + ": " + Count(result.filesSeen, "file") + " looked at, " +
                       Count(result.programsAdded, "program") + " added";
    if (result.programsAdded > 0)
        done += " (PIDs " + std::to_string(firstPid) + " to " + std::to_string(counter - 1) + ")";
    if (result.cancelled)
        done = "search stopped early; " + done + ", and saved";
    const int status = Save(s, done);
    return status == 0 && result.cancelled ? 1 : status;
}

struct Command {
    const char* name;
    std::size_t arguments;
    int (*run)(Session&);
};

constexpr Command kCommands[] = {
    {"show", 0, Show},     {"add", 2, Add}, {"pid", 2, ChangePid}, {"delete", 1, Delete}, {"delete-all", 0, DeleteAll},
    {"search", 1, Search},
};

} // namespace

int RunCatalogueTool(const std::vector<std::string>& args, const ToolStreams& io) {
    Session s{io, {}, {}, {}, {}};
    const OptionParser parser(
        "tarnvale", Usage(io),
        {
            TextOption("--list", "FILE", "the list file", s.listPath),
            // search's own, told with the command.
            IntegerOption<std::int32_t>("--first-pid", "N", {}, s.firstPid, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max(), "a whole number"),
        });
    if (const std::optional<int> status = parser.Parse(args, s.words, io.out, io.err))
        return *status;
    const bool listGiven = !s.listPath.empty();
    if (s.words.empty()) {
        io.err << parser.Help();
        return 2;
    }
    const std::string name = s.words.front();
    s.words.erase(s.words.begin());
    for (const Command& command : kCommands) {
        if (name != command.name)
            continue;
        if (s.words.size() != command.arguments)
            return UsageError(io, name + " takes " + std::to_string(command.arguments) + " argument(s), not " +
                                      std::to_string(s.words.size()));
        if (!listGiven && io.defaultList.empty())
            return UsageError(io, "name the list file with --list FILE (it is created when missing)");
        if (!listGiven)
            s.listPath = io.defaultList;
        if (s.firstPid && command.run != Search)
            return UsageError(io, "--first-pid belongs to search");
        return command.run(s);
    }
    return UsageError(io, "unknown command \"" + name + "\"");
}

} // namespace tarnvale
