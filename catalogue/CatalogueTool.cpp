// tarnvale: the catalogue's operations from the command line, on a list file named with --list. Each edit is one
// edit of the list file (core/ListFileEdit.h): a list file that cannot be read whole is never overwritten.
#include "catalogue/CatalogueTool.h"
#include "catalogue/CatalogueWatch.h"
#include "catalogue/FullPath.h"
#include "core/ListFile.h"
#include "core/ListFileEdit.h"
#include "core/MediaType.h"
#include "core/OptionParser.h"
#include "core/ParseInteger.h"
#include "media/CatalogueVerify.h"
#include "media/FolderSearch.h"
#include "media/MediaProbe.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
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
    "  search FOLDER [--first-pid N]   add every media file below FOLDER that is not catalogued yet, numbered\n"
    "                                  from one past the largest PID (at least 10), or from N\n"
    "  verify [--deep] [--fix] [--drop-missing]\n"
    "                                  check every program against its file: gone, unreadable, size changed\n"
    "                                  (with --deep: probed again, type or tail offset changed); exits 1 when\n"
    "                                  anything differs. --fix probes changed files again and updates their\n"
    "                                  programs (PIDs kept); --drop-missing deletes programs whose file is gone\n"
    "  watch FOLDER... [--settle SECONDS] [--poll SECONDS] [--verbose]\n"
    "                                  search the folders, then keep following them until Ctrl+C: new media\n"
    "                                  files are added once unchanged for --settle seconds (default 5),\n"
    "                                  changed ones probed again, removed ones deleted, renamed ones keep\n"
    "                                  their PID; --poll also looks at every folder each N seconds (for shares\n"
    "                                  that send no change notices); --verbose prints a line per change\n"
    "\n"
    "Paths are stored in full; a program's path is matched without regard to letter case, and where several\n"
    "programs match, the first one counts. Ctrl-C stops a search and keeps what it found. A running\n"
    "tarnvale-server serves the changes from its next command on. Commands that change the list file wait\n"
    "for each other, one writer at a time; the Windows program is a writer for as long as its window is open.\n";

std::string Usage(const ToolStreams& io) {
    std::string text = kUsage;
    text.replace(text.find("%s"), 2,
                 io.defaultList.empty()
                     ? ""
                     : "Without --list: " + io.defaultList + ", as tarnvale-server ($TARNVALE_LIST names another).\n");
    return text;
}

// How long an editing command waits for another writer of the same list file.
constexpr auto kWriterWait = std::chrono::seconds(30);

struct Session {
    explicit Session(const ToolStreams& streams) : io(streams) {}
    const ToolStreams& io;
    std::string listPath = {};
    std::string command = {};
    std::vector<std::string> words = {}; // the command's own arguments
    std::optional<std::int32_t> firstPid = {};
    bool deep = false, fix = false, dropMissing = false, verbose = false;
    std::optional<double> settleSeconds = {}, pollSeconds = {};
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

// The default list file's folder is made by the first writer, which keeps its lock file there too.
void MakeDefaultListFolder(const Session& s) {
    if (s.listPath != s.io.defaultList)
        return;
    std::error_code ignored;
    fs::create_directories(fs::path(s.listPath).parent_path(), ignored);
}

// Loads the list file to look at it: records too long to show are told, the rest shown.
bool Read(Session& s) {
    ListFileLoad load;
    if (!LoadListFile(s.listPath, s.catalogue, &load)) {
        Fail(s.io, FailedLoadText(s.listPath, load) + ".");
        return false;
    }
    if (load.recordsSkipped > 0)
        s.io.err << "tarnvale: " << TooLongText(s.listPath, load) << "; they are not shown.\n";
    return true;
}

// Loads the list file whole, as a writer does, for work done before the edit itself (a search's walk).
bool ReadForEditing(Session& s) {
    std::string why;
    if (LoadWholeListFile(s.listPath, s.catalogue, &why))
        return true;
    Fail(s.io, why + ". Nothing was changed; repair or remove the file first.");
    return false;
}

// The command's one edit of the list file: change edits the catalogue and says whether to save it (having said
// why not); done, which change sets, is printed once it is saved. A wait for another writer (the Windows program
// holds the lock while its window is open) is said at once. Returns the exit status.
int Edit(Session& s, const std::function<bool(CMediaInfoList&)>& change, const std::string& done, bool whole = true) {
    MakeDefaultListFolder(s);
    const ListFileWriter writer{"tarnvale " + s.command, kWriterWait, [&io = s.io](const std::string& text) {
                                    io.err << "tarnvale: " << text << "; waiting up to " << kWriterWait.count()
                                           << " s for it\n"
                                           << std::flush;
                                }};
    const ListFileEdit edit = EditListFile(s.listPath, writer, change, whole);
    switch (edit.failure) {
    case ListFileEdit::Failure::Lock:
        return Fail(s.io, edit.why + ". Nothing was changed.");
    case ListFileEdit::Failure::Load:
        return Fail(s.io, edit.why + ". Nothing was changed; repair or remove the file first.");
    case ListFileEdit::Failure::Save:
        return Fail(s.io, edit.why + ".");
    case ListFileEdit::Failure::None:
        break;
    }
    if (!edit.saved)
        return 1;
    s.io.out << done << '\n';
    return 0;
}

int Show(Session& s) {
    if (!Read(s))
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
    std::string done;
    return Edit(
        s,
        [&](CMediaInfoList& catalogue) {
            const std::string path = FullPath(s.words[0]);
            if (!fs::is_regular_file(path)) {
                Fail(s.io, "there is no file " + path + " to add.");
                return false;
            }
            CMediaInfo record;
            if (!SetFile(record, path.c_str(), [&](const char* text) { s.io.err << path << ": " << text << '\n'; }))
                return false;
            record.m_nPID = *pid;
            catalogue.Append(record);
            done = "added:\n" + ProgramLine(record);
            return true;
        },
        done);
}

// The program whose path is given, as typed or in full.
std::optional<std::string> FindProgram(const Session& s, const CMediaInfoList& catalogue, const std::string& path) {
    for (const std::string& candidate : {path, FullPath(path)})
        if (auto found = catalogue.FindByPath(candidate.c_str()))
            return std::string(found->Path());
    Fail(s.io, "no program has the path " + path + " (tarnvale --list " + s.listPath + " show lists them).");
    return std::nullopt;
}

int ChangePid(Session& s) {
    const std::optional<std::int32_t> pid = ParseInteger<std::int32_t>(s.words[1]);
    if (!pid)
        return UsageError(s.io, "the PID must be a whole number, not \"" + s.words[1] + "\"");
    std::string done;
    return Edit(
        s,
        [&](CMediaInfoList& catalogue) {
            const std::optional<std::string> path = FindProgram(s, catalogue, s.words[0]);
            if (!path)
                return false;
            CMediaInfo record = *catalogue.FindByPath(path->c_str());
            record.m_nPID = *pid;
            catalogue.UpdateByPath(path->c_str(), record);
            done = "changed:\n" + ProgramLine(record);
            return true;
        },
        done);
}

int Delete(Session& s) {
    std::string done;
    return Edit(
        s,
        [&](CMediaInfoList& catalogue) {
            const std::optional<std::string> path = FindProgram(s, catalogue, s.words[0]);
            if (!path)
                return false;
            catalogue.RemoveByPath(path->c_str());
            done = "deleted " + *path;
            return true;
        },
        done);
}

int DeleteAll(Session& s) {
    // Nothing of the old file needs to be understood to empty it, so a broken list file can be cleared too.
    std::string done;
    return Edit(
        s,
        [&](CMediaInfoList& catalogue) {
            done = "deleted all programs (" + std::to_string(catalogue.Count()) + ")";
            catalogue.RemoveAll();
            return true;
        },
        done, false);
}

// A progress line: rewritten in place on a terminal, otherwise a line every few seconds.
class ProgressLine {
public:
    // Away from a terminal the first line waits its turn too, so a quick run prints only its summary.
    explicit ProgressLine(const ToolStreams& io)
        : io_(io), last_(io.errIsTerminal ? Clock::time_point{} : Clock::now()) {}

    // Shows text() when the last line is old enough (or force).
    template <typename Text>
    void Update(Text&& text, bool force = false) {
        const auto now = Clock::now();
        const auto every = io_.errIsTerminal ? std::chrono::milliseconds(100) : std::chrono::seconds(2);
        if (!force && now - last_ < every)
            return;
        last_ = now;
        io_.err << (io_.errIsTerminal ? "\r" : "") << text() << (io_.errIsTerminal ? "" : "\n") << std::flush;
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
    Clock::time_point last_;
    bool open_ = false;
};

std::string PidRange(std::int32_t first, std::int32_t last) {
    return first == last ? "PID " + std::to_string(first)
                         : "PIDs " + std::to_string(first) + " to " + std::to_string(last);
}

// The walk and its probes run without the lock, against the catalogue as it was, so that other writers wait only
// for the merge; the merge reads the file again under the lock and adds only paths it does not hold.
int Search(Session& s) {
    const std::string folder = FullPath(s.words[0]);
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return Fail(s.io, folder + " is not a folder that can be searched.");
    if (!ReadForEditing(s))
        return 1;
    const std::vector<CMediaInfo> before = s.catalogue.Snapshot();
    const PathIndex catalogued(before);
    std::vector<CMediaInfo> found;
    std::size_t known = 0, refused = 0;

    ProgressLine line(s.io);
    const auto text = [&](const FolderSearchProgress& progress) {
        return [&] {
            return "searching " + folder + ": " + Count(progress.filesSeen, "file") + " looked at, " +
                   Count(progress.programsAdded, "program") + " added";
        };
    };
    FolderSearchHooks hooks;
    hooks.known = [&](const std::string& path) {
        const bool there = catalogued.Find(path) != PathIndex::kNone;
        known += there;
        return there;
    };
    hooks.add = [&](const CMediaInfo& record) { found.push_back(record); };
    hooks.progress = [&](const FolderSearchProgress& progress) { line.Update(text(progress)); };
    hooks.refused = [&](const std::string& path, const char* reason) {
        ++refused;
        line.Break();
        s.io.err << path << ": " << reason << '\n';
    };
    hooks.cancel = s.io.stop ? s.io.stop->Flag() : nullptr;
    // The merge numbers what was found, after the largest PID it holds under the lock.
    const FolderSearchProgress result = SearchFolder(folder, hooks);
    if (s.io.errIsTerminal)
        line.Update(text(result), true); // the line's last state stays on screen above the summary
    line.Break();

    std::string done;
    const int status = Edit(
        s,
        [&](CMediaInfoList& catalogue) {
            std::vector<CMediaInfo> records = catalogue.Snapshot();
            const SearchMerge merge = MergeFound(records, found, s.firstPid);
            catalogue.Assign(std::move(records));
            done = "searched " + folder + ": " + Count(result.filesSeen, "file") + " looked at, " +
                   Count(merge.added, "program") + " added";
            if (merge.added > 0)
                done += " (" + PidRange(merge.firstPid, merge.lastPid) + ")";
            done += ", " + std::to_string(known + merge.already) + " already catalogued, " + std::to_string(refused) +
                    " refused";
            if (result.cancelled)
                done = "search stopped early; " + done + ", and saved";
            return true;
        },
        done);
    return status == 0 && result.cancelled ? 1 : status;
}

// Checks every program of catalogue against its file, printing what differs, and mends what --fix and
// --drop-missing ask for; true when it changed the catalogue. differ counts the programs that differ; summary
// says what was found.
bool VerifyPrograms(Session& s, CMediaInfoList& catalogue, std::size_t& differ, std::string& summary) {
    using Finding = ProgramCheck::Finding;
    std::vector<CMediaInfo> records = catalogue.TakeAll();
    std::vector<bool> drop(records.size(), false);
    std::size_t gone = 0, unreadable = 0, changed = 0, fixed = 0, dropped = 0;
    ProgressLine line(s.io);
    for (std::size_t at = 0; at < records.size(); ++at) {
        if (at % 256 == 0 && s.io.stop && s.io.stop->Stopped())
            break;
        if (at % 256 == 0)
            line.Update([&] {
                return "verifying " + s.listPath + ": " + std::to_string(at) + " of " +
                       Count(records.size(), "program");
            });
        CMediaInfo& record = records[at];
        const ProgramCheck check = CheckProgram(record, s.deep);
        if (check.finding == Finding::Agrees)
            continue;
        ++differ;
        gone += check.finding == Finding::Gone;
        unreadable += check.finding == Finding::Unreadable;
        line.Break();
        s.io.out << FindingLine(record, check) << '\n';
        if (check.finding == Finding::Gone && s.dropMissing) {
            drop[at] = true;
            ++dropped;
            continue;
        }
        if (check.finding != Finding::SizeChanged && check.finding != Finding::TypeChanged &&
            check.finding != Finding::TailChanged)
            continue;
        ++changed;
        if (!s.fix)
            continue;
        CMediaInfo now = check.now;
        std::string refusal;
        if (!s.deep && !ReprobeProgram(record, now, refusal)) {
            s.io.out << "  not fixed: the probe refuses the file now: " << refusal << '\n';
            continue;
        }
        record = now;
        ++fixed;
    }
    line.Break();
    summary = "verified " + Count(records.size(), "program") + ": " + std::to_string(records.size() - differ) +
              " agree, " + std::to_string(gone) + " gone, " + std::to_string(unreadable) + " unreadable, " +
              std::to_string(changed) + " changed";
    if (differ > changed + gone + unreadable)
        summary += ", " + std::to_string(differ - changed - gone - unreadable) + " refused by the probe";
    if (s.fix)
        summary += ", " + std::to_string(fixed) + " fixed";
    if (s.dropMissing)
        summary += ", " + std::to_string(dropped) + " dropped";
    std::size_t kept = 0;
    for (std::size_t at = 0; at < records.size(); ++at)
        if (!drop[at])
            records[kept++] = records[at];
    records.resize(kept);
    catalogue.Assign(std::move(records));
    return fixed + dropped > 0;
}

// With --fix or --drop-missing the check is the command's edit, made as a writer; otherwise it only reads.
int Verify(Session& s) {
    std::size_t differ = 0;
    std::string summary;
    if (!s.fix && !s.dropMissing) {
        if (!Read(s))
            return 1;
        VerifyPrograms(s, s.catalogue, differ, summary);
        s.io.out << summary << '\n';
        return differ > 0 ? 1 : 0;
    }
    bool checked = false, mended = false;
    const int status = Edit(
        s,
        [&](CMediaInfoList& catalogue) {
            checked = true;
            mended = VerifyPrograms(s, catalogue, differ, summary);
            if (!mended)
                s.io.out << summary << '\n';
            return mended;
        },
        summary);
    if (!checked || (mended && status != 0))
        return 1;
    return differ > 0 ? 1 : 0;
}

int Watch(Session& s) {
    WatchOptions options;
    options.folders = s.words;
    if (s.settleSeconds)
        options.settle = std::chrono::milliseconds(static_cast<std::int64_t>(*s.settleSeconds * 1000));
    if (s.pollSeconds)
        options.poll = std::chrono::seconds(static_cast<std::int64_t>(*s.pollSeconds));
    options.verbose = s.verbose;
    return RunCatalogueWatch(s.listPath, options, s.io);
}

// Which options a command takes.
constexpr unsigned kNoOptions = 0, kFirstPid = 1, kVerifyOptions = 2, kWatchOptions = 4;

struct Command {
    const char* name;
    std::size_t arguments; // at least
    bool more;             // and any number after them
    unsigned takes;
    int (*run)(Session&);
};

constexpr Command kCommands[] = {
    {"show", 0, false, kNoOptions, Show},
    {"add", 2, false, kNoOptions, Add},
    {"pid", 2, false, kNoOptions, ChangePid},
    {"delete", 1, false, kNoOptions, Delete},
    {"delete-all", 0, false, kNoOptions, DeleteAll},
    {"search", 1, false, kFirstPid, Search},
    {"verify", 0, false, kVerifyOptions, Verify},
    {"watch", 1, true, kWatchOptions, Watch},
};

// A number of seconds, fractions allowed (a short settle time in a test, say).
OptionRow SecondsOption(std::string name, std::optional<double>& seconds) {
    return OptionRow{name, {}, "SECONDS", {}, [&seconds, name](const std::string& text) {
                         char* end = nullptr;
                         const double value = std::strtod(text.c_str(), &end);
                         if (text.empty() || *end != '\0' || !(value >= 0) || value > 86400)
                             return WantsText(name, "a number of seconds from 0 to 86400", text);
                         seconds = value;
                         return std::string();
                     }};
}

} // namespace

int RunCatalogueTool(const std::vector<std::string>& args, const ToolStreams& io) {
    Session s(io);
    // The rows without help are the commands' own options, which the commands' help describes.
    const OptionParser parser(
        "tarnvale", Usage(io),
        {
            TextOption("--list", "FILE", "the list file", s.listPath),
            IntegerOption<std::int32_t>("--first-pid", "N", {}, s.firstPid, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max(), "a whole number"),
            SwitchOption("--deep", {}, s.deep),
            SwitchOption("--fix", {}, s.fix),
            SwitchOption("--drop-missing", {}, s.dropMissing),
            SecondsOption("--settle", s.settleSeconds),
            SecondsOption("--poll", s.pollSeconds),
            SwitchOption("--verbose", {}, s.verbose),
        });
    if (const std::optional<int> status = parser.Parse(args, s.words, io.out, io.err))
        return *status;
    const bool listGiven = !s.listPath.empty();
    const unsigned given = (s.firstPid ? kFirstPid : 0) | (s.deep || s.fix || s.dropMissing ? kVerifyOptions : 0) |
                           (s.verbose || s.settleSeconds || s.pollSeconds ? kWatchOptions : 0);
    if (s.words.empty()) {
        io.err << parser.Help();
        return 2;
    }
    s.command = s.words.front();
    s.words.erase(s.words.begin());
    for (const Command& command : kCommands) {
        if (s.command != command.name)
            continue;
        if (s.words.size() < command.arguments || (!command.more && s.words.size() != command.arguments))
            return UsageError(io, s.command + " takes " + std::to_string(command.arguments) +
                                      (command.more ? " or more" : "") + " argument(s), not " +
                                      std::to_string(s.words.size()));
        if (!listGiven && io.defaultList.empty())
            return UsageError(io, "name the list file with --list FILE (it is created when missing)");
        if (!listGiven)
            s.listPath = io.defaultList;
        if (given & ~command.takes)
            return UsageError(io,
                              std::string(given & kFirstPid        ? "--first-pid belongs to search"
                                          : given & kVerifyOptions ? "--deep, --fix and --drop-missing belong to verify"
                                                                   : "--settle, --poll and --verbose belong to watch"));
        return command.run(s);
    }
    return UsageError(io, "unknown command \"" + s.command + "\"");
}

} // namespace tarnvale
