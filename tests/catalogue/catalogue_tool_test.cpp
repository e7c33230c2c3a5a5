// The catalogue commands run in-process on real list files and real media files.
#include "catalogue/CatalogueTool.h"
#include "catalogue/ProbeTool.h"
#include "core/ListFile.h"
#include "media/FolderSearch.h"
#include "media/MediaProbe.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"
#include "tools/DefaultListFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace tarnvale {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun Tarnvale(std::vector<std::string> args, ToolStop* stop = nullptr, bool terminal = false) {
    std::ostringstream out, err;
    const int status = RunCatalogueTool(args, ToolStreams{out, err, terminal, stop});
    return {status, out.str(), err.str()};
}

std::vector<CMediaInfo> Records(const std::string& list) {
    CMediaInfoList catalogue;
    EXPECT_TRUE(LoadListFile(list, catalogue));
    return catalogue.Snapshot();
}

class CatalogueToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        media = dir.Path() / "media";
        fs::create_directories(media / "sub");
        fs::copy_file(test::FixturePath("mpeg1-system.mpg"), media / "one.mpg");
        fs::copy_file(test::FixturePath("clip.avi"), media / "sub" / "two.avi");
        fs::copy_file(test::FixturePath("tone.mp3"), media / "three.mp3");
        fs::copy_file(test::FixturePath("tone.wav"), media / "refused_mp3");
    }
    test::TempDir dir;
    fs::path media;
    const std::string list = dir.File("catalogue.lst");
};

TEST_F(CatalogueToolTest, EditsTheListFileAsTheWindowsButtonsDo) {
    ToolRun r = Tarnvale({"--list", list, "search", media.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find((media / "refused_mp3").string() + ": " + kUnsupportedFileMessage), std::string::npos);
    EXPECT_NE(r.out.find("4 files looked at, 3 programs added (PIDs 10 to 12), 0 already catalogued, 1 refused"),
              std::string::npos)
        << r.out;
    std::vector<CMediaInfo> records = Records(list);
    ASSERT_EQ(records.size(), 3u);

    // Searched again, with a new file and one catalogued under another letter case: only the new one is added,
    // after the largest PID.
    std::string upper(records[0].Path());
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    records[0].SetPath(upper);
    records[0].m_nPID = 40;
    CMediaInfoList edited;
    edited.Assign(records);
    ASSERT_TRUE(SaveListFile(list, edited));
    fs::copy_file(test::FixturePath("tone.mp3"), media / "sub" / "four.mp3");
    r = Tarnvale({"--list", list, "search", media.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 program added (PID 41), 3 already catalogued, 1 refused"), std::string::npos) << r.out;
    records = Records(list);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3].Path(), (media / "sub" / "four.mp3").string());
    fs::remove(media / "sub" / "four.mp3");
    ASSERT_EQ(Tarnvale({"--list", list, "delete", (media / "sub" / "four.mp3").string()}).status, 0);
    records = Records(list);
    const std::string two = (media / "sub" / "two.avi").string();
    ASSERT_TRUE(std::any_of(records.begin(), records.end(), [&](const CMediaInfo& m) { return m.Path() == two; }));

    r = Tarnvale({"show", "--list=" + list});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("3 programs"), std::string::npos);
    EXPECT_NE(r.out.find(two), std::string::npos);

    r = Tarnvale({"--list", list, "add", test::FixturePath("mpeg2-program.vob"), "-7"});
    ASSERT_EQ(r.status, 0) << r.err;
    records = Records(list);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3].m_nPID, -7);
    EXPECT_EQ(records[3].m_nType, 1);

    // Paths match without regard to case, as typed or in full.
    const std::string twoUpper = (media / "sub" / "TWO.AVI").string();
    ASSERT_EQ(Tarnvale({"--list", list, "pid", twoUpper, "99"}).status, 0);
    records = Records(list);
    for (const CMediaInfo& m : records)
        EXPECT_EQ(m.m_nPID == 99, m.Path() == two);
    ASSERT_EQ(Tarnvale({"--list", list, "delete", two}).status, 0);
    EXPECT_EQ(Records(list).size(), 3u);
    r = Tarnvale({"--list", list, "delete", two});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no program has the path"), std::string::npos);

    ASSERT_EQ(Tarnvale({"--list", list, "delete-all"}).status, 0);
    EXPECT_EQ(test::ReadBytes(list), (std::vector<std::uint8_t>{0, 0, 0, 0}));

    // Told where to start, a search numbers from there.
    ASSERT_EQ(Tarnvale({"--list", list, "search", media.string(), "--first-pid", "500"}).status, 0);
    for (const CMediaInfo& m : Records(list))
        EXPECT_GE(m.m_nPID, 500);
}

// verify looks at each file once; --deep probes it again; --fix and --drop-missing mend what was found.
TEST_F(CatalogueToolTest, VerifyReportsWhatDiffersAndMendsIt) {
    ASSERT_EQ(Tarnvale({"--list", list, "search", media.string()}).status, 0);
    ToolRun r = Tarnvale({"--list", list, "verify", "--deep"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("verified 3 programs: 3 agree, 0 gone, 0 unreadable, 0 changed"), std::string::npos) << r.out;

    const std::string one = (media / "one.mpg").string(), two = (media / "sub" / "two.avi").string(),
                      three = (media / "three.mp3").string();
    fs::remove(two);
    fs::resize_file(three, fs::file_size(three) + 100);
    // Catalogued as MPEG2 but an MPEG1 file: only a deep look sees it.
    std::vector<CMediaInfo> records = Records(list);
    const auto byPath = [&](const std::string& path) {
        return *std::find_if(records.begin(), records.end(), [&](const CMediaInfo& m) { return m.Path() == path; });
    };
    const std::int32_t threePid = byPath(three).m_nPID;
    for (CMediaInfo& m : records)
        if (m.Path() == one)
            m.m_nType = 1;
    CMediaInfoList edited;
    edited.Assign(records);
    ASSERT_TRUE(SaveListFile(list, edited));
    const std::vector<std::uint8_t> before = test::ReadBytes(list);

    const struct {
        std::vector<std::string> options;
        const char* says;
        std::vector<std::string> lines;
        std::size_t programsAfter;
    } cases[] = {
        {{},
         "verified 3 programs: 1 agree, 1 gone, 0 unreadable, 1 changed",
         {"gone: " + two, "size changed: " + three},
         3},
        {{"--deep"},
         "verified 3 programs: 0 agree, 1 gone, 0 unreadable, 2 changed",
         {"type changed: " + one + " (PID " + std::to_string(byPath(one).m_nPID) + "): MPEG1, was MPEG2"},
         3},
        {{"--fix", "--drop-missing"}, "1 changed, 1 fixed, 1 dropped", {"gone: " + two}, 2},
        {{}, "verified 2 programs: 2 agree", {}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        std::vector<std::string> args{"--list", list, "verify"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        r = Tarnvale(args);
        EXPECT_EQ(r.status, c.lines.empty() ? 0 : 1);
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        for (const std::string& line : c.lines)
            EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
        EXPECT_EQ(Records(list).size(), c.programsAfter);
        if (c.options.empty() && c.programsAfter == 3) {
            EXPECT_EQ(test::ReadBytes(list), before) << "verify without --fix changed the list file";
        }
    }
    // Fixed in place: the PID kept, the size as the file has it now.
    records = Records(list);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(byPath(three).m_nPID, threePid);
    EXPECT_EQ(byPath(three).m_nSize, static_cast<std::int32_t>(fs::file_size(three)));
}

TEST_F(CatalogueToolTest, NeverOverwritesAListFileItCannotReadWhole) {
    CMediaInfo good;
    good.SetPath("/media/good.mpg");
    std::vector<std::uint8_t> cut = EncodeListFile(std::vector<CMediaInfo>{good, good});
    cut.resize(cut.size() - 3);
    // A record whose path is longer than a record holds: written by another program, loaded without it.
    std::vector<std::uint8_t> longPath = EncodeListFile(std::vector<CMediaInfo>{good});
    longPath[0] = 2;
    longPath.insert(longPath.end(), {0xFF, 0x2C, 0x01});
    longPath.insert(longPath.end(), 300 + 20, 'p');
    for (const auto& [what, bytes] : {std::pair{"cut short", cut}, std::pair{"too long a path", longPath}}) {
        SCOPED_TRACE(what);
        test::WriteBytes(list, bytes);
        for (const std::vector<std::string>& edit :
             std::vector<std::vector<std::string>>{{"add", test::FixturePath("tone.mp3"), "5"},
                                                   {"pid", "/media/good.mpg", "6"},
                                                   {"delete", "/media/good.mpg"},
                                                   {"search", media.string()}}) {
            SCOPED_TRACE(edit[0]);
            std::vector<std::string> args{"--list", list};
            args.insert(args.end(), edit.begin(), edit.end());
            const ToolRun r = Tarnvale(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("Nothing was changed"), std::string::npos) << r.err;
            EXPECT_EQ(test::ReadBytes(list), bytes);
        }
    }
    // What can be read is still shown.
    const ToolRun shown = Tarnvale({"--list", list, "show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("/media/good.mpg"), std::string::npos);
}

TEST_F(CatalogueToolTest, ExplainsWrongCalls) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{}, 2, "usage: tarnvale"},
        {{"show"}, 2, "--list FILE"},
        {{"--list"}, 2, "missing value after --list; see tarnvale --help"},
        {{"--list=", "show"}, 2, "--list wants FILE"},
        {{"--list", list, "search", "x", "--first-pid=1x"}, 2, "--first-pid wants a whole number, not \"1x\""},
        {{"--list", list, "play"}, 2, "unknown command"},
        {{"--list", list, "--loud", "show"}, 2, "unknown option --loud"},
        {{"--list", list, "show", "--verbose"}, 2, "belong to watch"},
        {{"--list", list, "search", ".", "--fix"}, 2, "belong to verify"},
        {{"--list", list, "watch"}, 2, "watch takes 1 or more argument(s), not 0"},
        {{"--list", list, "watch", ".", "--settle", "soon"}, 2, "--settle wants a number of seconds"},
        {{"--list", list, "watch", dir.File("missing")}, 1, "is not a folder that can be watched"},
        {{"--list", list, "add", "x.mpg"}, 2, "add takes 2 argument(s), not 1"},
        {{"--list", list, "add", "x.mpg", "12a"}, 2, "whole number"},
        {{"--list", list, "add", "x.mpg", "99999999999"}, 2, "whole number"},
        {{"--list", list, "show", "--first-pid", "3"}, 2, "belongs to search"},
        {{"--list", list, "add", dir.File("missing.mpg"), "3"}, 1, "there is no file"},
        {{"--list", list, "search", dir.File("missing")}, 1, "is not a folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const ToolRun r = Tarnvale(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(list));
}

TEST_F(CatalogueToolTest, WithoutListUsesTheDefaultListFileAndMakesItsFolder) {
    const std::string defaultList = dir.File("data/tarnvale/Tarnvale.lst");
    std::ostringstream out, err;
    const ToolStreams io{out, err, false, nullptr, defaultList};
    ASSERT_EQ(RunCatalogueTool({"add", test::FixturePath("tone.mp3"), "4"}, io), 0) << err.str();
    ASSERT_EQ(Records(defaultList).size(), 1u);
    EXPECT_EQ(RunCatalogueTool({"--help"}, io), 0);
    EXPECT_NE(out.str().find("Without --list: " + defaultList), std::string::npos);
}

void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str()); // the empty value removes it
#else
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
#endif
}

// tarnvale, tarnvale-server and scripts/run.sh (which leaves the choice to the server) serve and edit one file.
TEST(DefaultListFile, TheVariableNamesTheListFileOfEveryTool) {
    const char* before = std::getenv(kListFileVariable);
    const std::string saved = before ? before : "";
    SetVariable(kListFileVariable, "/srv/tarnvale/shared.lst");
    EXPECT_EQ(DefaultListFile(), "/srv/tarnvale/shared.lst");
    SetVariable(kListFileVariable, "");
    EXPECT_TRUE(DefaultListFile().ends_with("Tarnvale.lst")) << DefaultListFile();
    SetVariable(kListFileVariable, saved);
}

TEST_F(CatalogueToolTest, CancelledSearchKeepsWhatItFoundAndShowsProgressInPlace) {
    ToolStop stop;
    stop.Stop();
    ToolRun r = Tarnvale({"--list", list, "search", media.string()}, &stop, true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("search stopped early"), std::string::npos);
    EXPECT_TRUE(Records(list).empty());

    r = Tarnvale({"--list", list, "search", media.string()}, nullptr, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.rfind("\rsearching ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\n" + (media / "refused_mp3").string()), std::string::npos) << r.err;
    EXPECT_EQ(Records(list).size(), 3u);
}

TEST_F(CatalogueToolTest, ProbePrintsOneLinePerFileAndFailsOnRefusal) {
    std::ostringstream out, err;
    const std::string mpg = (media / "one.mpg").string(), wav = (media / "refused_mp3").string();
    EXPECT_EQ(RunProbeTool({mpg, wav, (media / "sub" / "two.avi").string()}, ToolStreams{out, err}), 1);
    std::istringstream lines(out.str());
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "0 MPEG1      24576           0 " + mpg);
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.substr(0, 8), "2 AVI   ");
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_EQ(err.str(), wav + ": " + kUnsupportedFileMessage + "\n");

    std::ostringstream none, usage;
    EXPECT_EQ(RunProbeTool({}, ToolStreams{none, usage}), 2);
    EXPECT_NE(usage.str().find("usage: tarnvale-probe"), std::string::npos);
}

} // namespace
} // namespace tarnvale
