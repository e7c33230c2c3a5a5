// Subtitle files: decoding what users save (UTF-8 with and without BOM, UTF-16, Windows-1252), SubRip rewritten as
// WebVTT with broken cues left out and markup neutralised, and the files found by name beside a program.
#include "media/SubtitleFiles.h"
#include "media/SubtitleText.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnvale {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(SubtitleDecode, EachEncodingArrivesAsTheSameCharacters) {
    struct Row {
        const char* what;
        Bytes bytes;
        SubtitleProblem problem;
        SubtitleEncoding encoding;
        std::string text;
    };
    const std::vector<Row> rows = {
        {"UTF-8", B("Caf\xC3\xA9 \xE2\x82\xAC"), SubtitleProblem::None, SubtitleEncoding::Utf8,
         "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"UTF-8 with BOM",
         B("\xEF\xBB\xBF"
           "Caf\xC3\xA9"),
         SubtitleProblem::None, SubtitleEncoding::Utf8, "Caf\xC3\xA9"},
        {"Windows-1252: accents, euro, curly quotes", B("Caf\xE9 \x80 \x93\x94"), SubtitleProblem::None,
         SubtitleEncoding::Windows1252, "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9C\xE2\x80\x9D"},
        // Bytes that start a UTF-8 sequence and do not finish it: the whole file is read as Windows-1252.
        {"UTF-8 cut short is Windows-1252", B("\xC3\xA9 and \xC3"), SubtitleProblem::None,
         SubtitleEncoding::Windows1252, "\xC3\x83\xC2\xA9 and \xC3\x83"},
        {"an overlong UTF-8 form is not UTF-8", B("\xC0\xAF"), SubtitleProblem::None, SubtitleEncoding::Windows1252,
         "\xC3\x80\xC2\xAF"},
        {"UTF-16LE", Bytes{0xFF, 0xFE, 'A', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE}, SubtitleProblem::None,
         SubtitleEncoding::Utf16, "A\xC3\xA9\xF0\x9F\x98\x80"},
        {"UTF-16BE with a lone surrogate", Bytes{0xFE, 0xFF, 0, 'A', 0xD8, 0x3D}, SubtitleProblem::None,
         SubtitleEncoding::Utf16, "A\xEF\xBF\xBD"},
        {"a NUL: not text", B(std::string_view("1\n\0\x01", 4)), SubtitleProblem::NotText, SubtitleEncoding::Utf8, ""},
        {"a bell: not text", B("ding\x07"), SubtitleProblem::NotText, SubtitleEncoding::Utf8, ""},
        {"DOS end-of-file mark is text", B("end\x1a"), SubtitleProblem::None, SubtitleEncoding::Utf8, "end\x1a"},
        {"over the bound", Bytes(kMaxSubtitleBytes + 1, 'a'), SubtitleProblem::TooLong, SubtitleEncoding::Utf8, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const SubtitleText decoded = DecodeSubtitleBytes(row.bytes);
        EXPECT_EQ(decoded.problem, row.problem);
        if (row.problem == SubtitleProblem::None) {
            EXPECT_EQ(decoded.encoding, row.encoding);
            EXPECT_EQ(decoded.text, row.text);
        }
    }
}

TEST(SubtitleWebVtt, CuesAreRewrittenAndBrokenOnesLeftOut) {
    struct Row {
        const char* what;
        std::string srt;
        std::string vtt; // after "WEBVTT\n"
        std::size_t cues;
        std::size_t skipped;
    };
    const std::vector<Row> rows = {
        {"two cues, CRLF",
         "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\n"
         "Two\r\nlines\r\n",
         "\n00:00:01.000 --> 00:00:02.500\nHello\n\n00:00:03.000 --> 00:00:04.000\nTwo\nlines\n", 2, 0},
        {"no number, '.', hours left out, short milliseconds, positions after",
         "01:02.5 --> 1:01:02.25 X1:10 X2:20\nA\n", "\n00:01:02.500 --> 01:01:02.250\nA\n", 1, 0},
        {"hours beyond 99", "1\n123:00:00,000 --> 123:00:01,000\nlate\n", "\n123:00:00.000 --> 123:00:01.000\nlate\n",
         1, 0},
        {"broken timings are skipped, the rest kept",
         "1\n00:00:01,000 -> 00:00:02,000\nno arrow\n\n2\n00:61:00,000 --> 00:62:00,000\nminutes\n\n"
         "3\n00:00:05,000 --> 00:00:04,000\nbackwards\n\n4\n00:00:05,000 --> 00:00:05,000\nempty\n\n"
         "5\nab:cd:ef,ghi --> 00:00:01,000\nletters\n\n6\n00:00:07,000 --> 00:00:08,000\nkept\n",
         "\n00:00:07.000 --> 00:00:08.000\nkept\n", 1, 5},
        {"a cue without text is left out, not counted as broken", "1\n00:00:01,000 --> 00:00:02,000\n\n", "", 0, 0},
        {"styling kept where WebVTT has it",
         "1\n00:00:01,000 --> 00:00:02,000\n<I>a</I> <b>b</b> <font color=\"red\">c</font>\n",
         "\n00:00:01.000 --> 00:00:02.000\n<i>a</i> <b>b</b> c\n", 1, 0},
        {"markup and arrows become text", "1\n00:00:01,000 --> 00:00:02,000\n<script>x</script> a < b & c --> d\n",
         "\n00:00:01.000 --> 00:00:02.000\nx a &lt; b &amp; c --&gt; d\n", 1, 0},
        {"ASS overrides dropped", "1\n00:00:01,000 --> 00:00:02,000\n{\\an8}top\n",
         "\n00:00:01.000 --> 00:00:02.000\ntop\n", 1, 0},
        {"nothing at all", "", "", 0, 0},
        {"a number alone", "17", "", 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const WebVtt vtt = SrtToWebVtt(row.srt);
        EXPECT_EQ(vtt.text, "WEBVTT\n" + row.vtt);
        EXPECT_EQ(vtt.cues, row.cues);
        EXPECT_EQ(vtt.skipped, row.skipped);
    }
}

TEST(SubtitleFiles, NamesMatchTheProgramsBaseName) {
    struct Row {
        const char* program;
        const char* entry;
        bool matches;
        const char* lang;
        SubtitleFormat format;
    };
    const std::vector<Row> rows = {
        {"film.avi", "film.srt", true, "", SubtitleFormat::Srt},
        {"film.avi", "film.en.srt", true, "en", SubtitleFormat::Srt},
        {"film.avi", "Film.pt-BR.SRT", true, "pt-BR", SubtitleFormat::Srt},
        {"film.avi", "film.vtt", true, "", SubtitleFormat::Vtt},
        {"film.avi", "film.English.forced.vtt", true, "English.forced", SubtitleFormat::Vtt},
        {"film.avi", "film..srt", false, "", SubtitleFormat::Srt},
        {"film.avi", "filmx.srt", false, "", SubtitleFormat::Srt},
        {"film.avi", "film.en.sub", false, "", SubtitleFormat::Srt},
        {"film.avi", "film.avi", false, "", SubtitleFormat::Srt},
        {"film.avi", "other.srt", false, "", SubtitleFormat::Srt},
        {"my.film.mpg", "my.film.de.srt", true, "de", SubtitleFormat::Srt},
        {"my.film.mpg", "my.de.srt", false, "", SubtitleFormat::Srt},
        {"film", "film.srt", true, "", SubtitleFormat::Srt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.program) + " / " + row.entry);
        const auto name = MatchSubtitleName(row.program, row.entry);
        ASSERT_EQ(name.has_value(), row.matches);
        if (name) {
            EXPECT_EQ(name->lang, row.lang);
            EXPECT_EQ(name->format, row.format);
        }
    }
}

TEST(SubtitleFiles, FoundBesideTheProgramInNameOrderAndReadAsWebVtt) {
    test::TempDir dir;
    const std::string program = dir.File("film.mpg");
    test::WriteBytes(program, B("not a real program"));
    test::WriteBytes(dir.File("film.srt"), B("1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9\n"));
    test::WriteBytes(dir.File("film.en.vtt"), B("WEBVTT\n\n00:01.000 --> 00:02.000\nHi\n"));
    test::WriteBytes(dir.File("film.fr.srt"), B("\xEF\xBB\xBF"
                                                "1\n00:00:01,000 --> 00:00:02,000\n\xC3\xA9t\xC3\xA9\n"));
    test::WriteBytes(dir.File("film.bin.srt"), B(std::string_view("\x7f"
                                                                  "ELF\0\0\0",
                                                                  7)));
    test::WriteBytes(dir.File("film.x.vtt"), B("1\n00:00:01,000 --> 00:00:02,000\nnot vtt\n"));
    test::WriteBytes(dir.File("film.huge.srt"), Bytes(10 * 1000 * 1000, 'a'));
    test::WriteBytes(dir.File("other.srt"), B("1\n00:00:01,000 --> 00:00:02,000\nother\n"));

    SubtitleFinder finder;
    const std::vector<SubtitleFile> found = finder.Find(program);
    struct Row {
        const char* lang;
        SubtitleProblem problem;
        const char* within; // in the WebVTT when served
    };
    const std::vector<Row> rows = {
        {"", SubtitleProblem::None, "\nCaf\xC3\xA9\n"}, {"bin", SubtitleProblem::NotText, ""},
        {"en", SubtitleProblem::None, "\nHi\n"},        {"fr", SubtitleProblem::None, "\n\xC3\xA9t\xC3\xA9\n"},
        {"huge", SubtitleProblem::TooLong, ""},         {"x", SubtitleProblem::NotWebVtt, ""},
    };
    ASSERT_EQ(found.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(found[i].path);
        EXPECT_EQ(found[i].name.lang, rows[i].lang);
        const SubtitleRead read = ReadSubtitleAsWebVtt(found[i]);
        EXPECT_FALSE(read.unreadable);
        EXPECT_EQ(read.problem, rows[i].problem);
        if (rows[i].problem == SubtitleProblem::None) {
            EXPECT_TRUE(read.vtt.text.starts_with("WEBVTT"));
            EXPECT_NE(read.vtt.text.find(rows[i].within), std::string::npos) << read.vtt.text;
        }
    }
    // A program whose folder is gone has none, and a file gone since it was found is unreadable, not a crash.
    EXPECT_TRUE(finder.Find(dir.File("gone/film.mpg")).empty());
    EXPECT_TRUE(ReadSubtitleAsWebVtt({dir.File("film.gone.srt"), {"gone", SubtitleFormat::Srt}}).unreadable);
}

} // namespace
} // namespace tarnvale
