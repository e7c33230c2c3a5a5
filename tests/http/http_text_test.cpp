// The HTTP side's pure parts: what a Range header and the conditional headers get for a file, and the catalogue
// written as a playlist, as JSON and as a page, with names that try to break out of each.
#include "core/MediaType.h"
#include "http/ByteRange.h"
#include "http/CatalogueViews.h"
#include "http/DlnaFeatures.h"
#include "http/FileAnswer.h"
#include "http/HostCheck.h"
#include "http/TextEscapes.h"
#include "net/PublicUrl.h"

#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarnvale::test {
namespace {

TEST(ByteRange, AnswersEachFormAgainstTheFileSize) {
    using Kind = RangeAnswer::Kind;
    struct Row {
        const char* header;
        std::uint64_t size;
        Kind kind;
        std::uint64_t first, length;
    } rows[] = {
        {"bytes=0-99", 1000, Kind::Part, 0, 100},
        {"bytes=990-", 1000, Kind::Part, 990, 10},
        {"bytes=-10", 1000, Kind::Part, 990, 10},
        {" BYTES=5-5 ", 1000, Kind::Part, 5, 1},
        {"bytes=500-99999", 1000, Kind::Part, 500, 500},                     // last byte cut to the end
        {"bytes=0-99999999999999999999999", 1000, Kind::Part, 0, 1000},      // past 64 bits
        {"bytes=-5000", 1000, Kind::Part, 0, 1000},                          // suffix longer than the file
        {"bytes=1000-", 1000, Kind::Unsatisfiable, 0, 0},                    // starts at the end
        {"bytes=99999999999999999999999-", 1000, Kind::Unsatisfiable, 0, 0}, // far past it
        {"bytes=-0", 1000, Kind::Unsatisfiable, 0, 0},
        {"bytes=0-", 0, Kind::Unsatisfiable, 0, 0},
        {"bytes=-1", 0, Kind::Unsatisfiable, 0, 0},
        {"bytes=9-2", 1000, Kind::Whole, 0, 0},     // malformed: ignored
        {"bytes=0-1,5-6", 1000, Kind::Whole, 0, 0}, // several ranges: the whole file
        {"bytes=-", 1000, Kind::Whole, 0, 0},
        {"bytes=1-2-3", 1000, Kind::Whole, 0, 0},
        {"bytes=+1-2", 1000, Kind::Whole, 0, 0},
        {"bytes=0x10-", 1000, Kind::Whole, 0, 0},
        {"items=0-9", 1000, Kind::Whole, 0, 0},
        {"bytes 0-9", 1000, Kind::Whole, 0, 0},
        {"", 1000, Kind::Whole, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.header);
        const RangeAnswer answer = AnswerRange(row.header, row.size);
        EXPECT_EQ(answer.kind, row.kind);
        if (row.kind == Kind::Part) {
            EXPECT_EQ(answer.first, row.first);
            EXPECT_EQ(answer.length, row.length);
        }
    }
}

TEST(FileAnswer, ConditionalHeadersDecideBeforeTheRange) {
    const std::string tag = EntityTag(1000, 1700000000, 5);
    const std::string date = HttpDate(1700000000);
    EXPECT_EQ(date, "Tue, 14 Nov 2023 22:13:20 GMT");
    EXPECT_NE(EntityTag(1000, 1700000000, 6), tag) << "a file rewritten within the same second";
    const std::string weak = "W/" + tag;
    const std::string weakInList = "\"x\", " + weak;
    const std::string laterDate = HttpDate(1700000001);
    const std::string earlierDate = HttpDate(1699999999);
    struct Row {
        const char* name;
        FileRequest request;
        unsigned status;
        std::uint64_t first, length;
    } rows[] = {
        {"plain", {}, 200, 0, 1000},
        {"range", {"bytes=10-19", {}, {}, {}}, 206, 10, 10},
        {"range past the end", {"bytes=1000-", {}, {}, {}}, 416, 0, 0},
        {"matching tag", {{}, {}, tag, {}}, 304, 0, 0},
        {"matching weak tag in a list", {"bytes=0-0", {}, weakInList, {}}, 304, 0, 0},
        {"any tag", {{}, {}, "*", {}}, 304, 0, 0},
        {"other tag", {{}, {}, "\"x\"", {}}, 200, 0, 1000},
        {"if-range by tag", {"bytes=10-19", tag, {}, {}}, 206, 10, 10},
        {"if-range by date", {"bytes=10-19", date, {}, {}}, 206, 10, 10},
        {"if-range, file changed", {"bytes=10-19", "\"x\"", {}, {}}, 200, 0, 1000},
        {"if-range by weak tag", {"bytes=10-19", weak, {}, {}}, 200, 0, 1000},
        {"if-range, other date", {"bytes=10-19", laterDate, {}, {}}, 200, 0, 1000},
        {"not modified since its own date", {{}, {}, {}, date}, 304, 0, 0},
        {"not modified since a later date", {"bytes=10-19", {}, {}, laterDate}, 304, 0, 0},
        {"modified since an earlier date", {{}, {}, {}, earlierDate}, 200, 0, 1000},
        {"modified since, then a range", {"bytes=10-19", {}, {}, earlierDate}, 206, 10, 10},
        {"a date in the old C form", {{}, {}, {}, "Tue Nov 14 22:13:20 2023"}, 304, 0, 0},
        {"a date with a two-digit year", {{}, {}, {}, "Tuesday, 14-Nov-23 22:13:20 GMT"}, 304, 0, 0},
        {"a date that does not read", {{}, {}, {}, "yesterday"}, 200, 0, 1000},
        {"a tag that does not match outweighs the date", {{}, {}, "\"x\"", laterDate}, 200, 0, 1000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const FileAnswer answer = AnswerFileRequest(row.request, 1000, tag, 1700000000);
        EXPECT_EQ(answer.status, row.status);
        EXPECT_EQ(answer.first, row.first);
        EXPECT_EQ(answer.length, row.length);
    }
}

TEST(FileAnswer, HttpDatesReadInEachFormAndNothingElse) {
    struct Row {
        const char* text;
        std::optional<std::int64_t> seconds;
    } rows[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
        {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
        {"Sun Nov  6 08:49:37 1994", 784111777},
        {" Thu, 01 Jan 1970 00:00:00 GMT ", 0},
        {"Thu, 29 Feb 2024 23:59:59 GMT", 1709251199},
        {"Tue, 31 Dec 2069 00:00:00 GMT", 3155673600},
        {"Monday, 01-Jan-35 00:00:00 GMT", 2051222400}, // two digits below 70: this century
        {"Sun, 06 Nov 1994 08:49:37 UTC", std::nullopt},
        {"Sun, 6 Nov 1994 08:49:37 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 24:00:00 GMT", std::nullopt},
        {"Sun, 00 Nov 1994 08:49:37 GMT", std::nullopt},
        {"Xyz, 06 Nov 1994 08:49:37 GMT", std::nullopt},
        {"Sun, 06 Nox 1994 08:49:37 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 08:49:37 GMT trailing", std::nullopt},
        {"Sun Nov  6 08:49:37", std::nullopt},
        {"1700000000", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseHttpDate(row.text), row.seconds);
    }
    EXPECT_EQ(ParseHttpDate(HttpDate(5000000000)), 5000000000) << "dates past 2038";
}

TEST(HostCheck, AnswersAddressesAndOwnNamesOnly) {
    const std::vector<std::string> names = OwnHostNames("Media-Box", "media-box.lan");
    EXPECT_EQ(names, (std::vector<std::string>{"media-box", "media-box.lan"}));
    EXPECT_EQ(OwnHostNames("box.home.arpa", ""), (std::vector<std::string>{"box.home.arpa", "box"}));
    struct Row {
        std::optional<std::string_view> host;
        bool answered;
    } rows[] = {
        {std::nullopt, true}, // HTTP/1.0
        {"192.168.1.10", true},
        {"192.168.1.10:8080", true},
        {"[::1]", true},
        {"[fe80::1:2]:8080", true},
        {"[::ffff:192.0.2.1]:80", true},
        {"[1:2:3:4:5:6:7:8]", true},
        {"localhost:8080", true},
        {"LocalHost", true},
        {"media-box", true},
        {"MEDIA-BOX.lan:8080", true},
        {" media-box ", true},
        {"evil.example", false},
        {"evil.example:8080", false},
        {"media-box.evil.example", false},
        {"192.168.1.10.evil.example", false},
        {"localhost.evil.example", false},
        {"0x7f.1", false},
        {"[::1", false},
        {"[1:2:3:4:5:6:7:8:9]", false},
        {"[1::2::3]", false},
        {"[::g]", false},
        {"::1", false},
        {"media-box:", false},
        {"media-box:99999", false},
        {"media-box:80x", false},
        {"media-box.", false},
        {"", false},
        {"a\"<b>", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host ? std::string(*row.host) : "(none)");
        EXPECT_EQ(HostAnswered(row.host, names), row.answered);
    }
}

TEST(PublicUrl, ReadsTheBaseAndItsHostAndRefusesWhatAUrlCannotHoldAsItIs) {
    struct Row {
        const char* text;
        const char* base; // nullptr: refused
        const char* host;
    } rows[] = {
        {"http://front.lan", "http://front.lan", "front.lan"},
        {"http://Front.LAN:8080/", "http://Front.LAN:8080", "front.lan"},
        {"https://10.0.0.5/tarnvale//", "https://10.0.0.5/tarnvale", "10.0.0.5"},
        {"http://[fd00::1]:81/a/b", "http://[fd00::1]:81/a/b", "[fd00::1]"},
        {"front.lan", nullptr, nullptr},
        {"ftp://front.lan", nullptr, nullptr},
        {"http://", nullptr, nullptr},
        {"http://user@front.lan", nullptr, nullptr},
        {"http://front.lan:0x50", nullptr, nullptr},
        {"http://front.lan/a?b=c", nullptr, nullptr},
        {"http://front.lan/#x", nullptr, nullptr},
        {"http://front.lan/a\"><script>", nullptr, nullptr},
        {"http://front.lan/a b", nullptr, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string error;
        const std::optional<PublicUrl> url = ParsePublicUrl(row.text, &error);
        ASSERT_EQ(url.has_value(), row.base != nullptr) << error;
        if (url) {
            EXPECT_EQ(url->base, row.base);
            EXPECT_EQ(url->host, row.host);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

CMediaInfo Program(const std::string& path, std::int32_t pid, std::int32_t type, std::int32_t size = 1048576) {
    CMediaInfo program;
    program.SetPath(path);
    program.m_nPID = pid;
    program.m_nType = type;
    program.m_nSize = size;
    return program;
}

TEST(CatalogueViews, NamesStayTextInEveryView) {
    const std::vector<CMediaInfo> reachable = ReachablePrograms({
        Program("/srv/media/a.mpg", 7, MEDIA_MPEG2),
        Program("C:\\films\\<b>x & \"q\" 'y'.avi", 8, MEDIA_AVI, 3 * 1048576 / 2),
        Program("/srv/other/shadowed.mpg", 7, MEDIA_MPEG1), // PID 7 again: never served, never shown
        Program("/srv/line\r\n#EXTINF:-1,evil\xff.mp3", 9, MEDIA_MP3),
    });
    ASSERT_EQ(reachable.size(), 3u);
    // The sizes on disk, the first past what 32 bits hold.
    const std::vector<ShownProgram> programs = {
        {reachable[0], 5ull << 30, {}}, {reachable[1], 3 * 1048576 / 2, {}}, {reachable[2], 1048576, {}}};
    const std::string origin = "http://media.lan:8080";

    EXPECT_EQ(PlaylistText(programs, origin), "#EXTM3U\n"
                                              "#EXTINF:-1,a.mpg\nhttp://media.lan:8080/programs/7\n"
                                              "#EXTINF:-1,<b>x & \"q\" 'y'.avi\nhttp://media.lan:8080/programs/8\n"
                                              "#EXTINF:-1,line  #EXTINF:-1,evil\xEF\xBF\xBD.mp3\n"
                                              "http://media.lan:8080/programs/9\n");
    EXPECT_EQ(
        CatalogueJson(programs, origin),
        "[\n{\"pid\":7,\"type\":\"MPEG2\",\"size\":5368709120,\"file\":\"a.mpg\","
        "\"url\":\"http://media.lan:8080/programs/7\"},\n"
        "{\"pid\":8,\"type\":\"AVI\",\"size\":1572864,\"file\":\"<b>x & \\\"q\\\" 'y'.avi\","
        "\"url\":\"http://media.lan:8080/programs/8\"},\n"
        "{\"pid\":9,\"type\":\"MP3\",\"size\":1048576,\"file\":\"line\\u000d\\u000a#EXTINF:-1,evil\xEF\xBF\xBD.mp3\","
        "\"url\":\"http://media.lan:8080/programs/9\"}\n]\n");

    const std::string page = CataloguePage(programs, "");
    EXPECT_NE(page.find(">&lt;b&gt;x &amp; &quot;q&quot; &#39;y&#39;.avi</a>"), std::string::npos);
    EXPECT_EQ(page.find("<b>x"), std::string::npos);
    EXPECT_EQ(page.find("/srv"), std::string::npos) << "folders are not shown to the network";
    EXPECT_EQ(page.find("films"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"num\">1.5</td>"), std::string::npos);
    EXPECT_NE(page.find("<audio controls preload=\"metadata\" src=\"/programs/9\">"), std::string::npos);
    EXPECT_EQ(page.find("src=\"/programs/8\""), std::string::npos) << "only MP3 programs play in the page";
    EXPECT_NE(page.find("<span id=\"shown\">3 programs</span>"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"num\">5120.0</td>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"/programs.m3u8\">"), std::string::npos);

    // Behind a front every link leads through it.
    const std::string fronted = CataloguePage(programs, origin);
    EXPECT_NE(fronted.find("<a href=\"http://media.lan:8080/programs/8\">"), std::string::npos);
    EXPECT_NE(fronted.find("src=\"http://media.lan:8080/programs/9\""), std::string::npos);
    EXPECT_NE(fronted.find("<a href=\"http://media.lan:8080/programs.json\">"), std::string::npos);
    EXPECT_EQ(fronted.find("href=\"/"), std::string::npos);

    // Overlong forms, surrogates and cut sequences are not UTF-8; the rest goes through as it is.
    EXPECT_EQ(ValidUtf8("\xC0\xAF|\xED\xA0\x80|\xE2\x82|\xF4\x90\x80\x80|\xC3\xA9\xF0\x9F\x8E\xAC"),
              "\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD|"
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD|\xC3\xA9\xF0\x9F\x8E\xAC");
}

// A fixture's bytes with its first sequence header saying another frame: the encoders' files are small.
std::vector<std::uint8_t> WithFrame(const char* name, unsigned width, unsigned height, unsigned rate) {
    std::vector<std::uint8_t> bytes = ReadBytes(FixturePath(name));
    const std::uint8_t header[] = {0, 0, 1, 0xB3};
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(header), std::end(header));
    if (at == bytes.end() || bytes.end() - at < 8)
        return {};
    at[4] = static_cast<std::uint8_t>(width >> 4);
    at[5] = static_cast<std::uint8_t>((width & 0x0F) << 4 | height >> 8);
    at[6] = static_cast<std::uint8_t>(height);
    at[7] = static_cast<std::uint8_t>((at[7] & 0xF0) | rate);
    return bytes;
}

TEST(DlnaFeatures, AProfileIsNamedOnlyWhereTheFileIsOne) {
    const struct {
        const char* file;
        std::int32_t type;
        unsigned width, height, rate;
        const char* profile;
    } rows[] = {
        {"mpeg2-program.mpg", MEDIA_MPEG2, 720, 576, 3, "MPEG_PS_PAL"},
        {"mpeg2-program.vob", MEDIA_MPEG2, 352, 288, 3, "MPEG_PS_PAL"},
        {"mpeg2-program.mpg", MEDIA_MPEG2, 720, 480, 4, "MPEG_PS_NTSC"},
        {"mpeg2-program.mpg", MEDIA_MPEG2, 720, 576, 4, nullptr},   // PAL frame at the NTSC rate
        {"mpeg2-program.mpg", MEDIA_MPEG2, 1920, 1080, 3, nullptr}, // no PS profile this large
        {"mpeg2-program.mpg", MEDIA_MPEG2, 96, 64, 3, nullptr},     // as the encoder made it
        {"mpeg2-video.mpg", MEDIA_MPEG2, 720, 576, 3, nullptr},     // elementary video is no program stream
        {"mpeg1-system.mpg", MEDIA_MPEG1, 352, 288, 3, "MPEG1"},
        {"mpeg1-system.mpg", MEDIA_MPEG1, 352, 240, 4, "MPEG1"},
        {"mpeg1-system.mpg", MEDIA_MPEG1, 720, 576, 3, nullptr},
        {"mpeg1-system.mpg", MEDIA_MPEG2, 720, 576, 3, nullptr}, // the catalogue says MPEG2, the file is not
        {"mpeg1-video.mpg", MEDIA_MPEG1, 352, 288, 3, nullptr},
        {"clip.avi", MEDIA_AVI, 0, 0, 0, nullptr},
        {"tone.mp3", MEDIA_MP3, 0, 0, 0, "MP3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + std::to_string(row.width) + "x" + std::to_string(row.height));
        MpegVideoFormat video;
        if (DlnaProfileNeedsVideo(row.type)) {
            const std::vector<std::uint8_t> bytes = WithFrame(row.file, row.width, row.height, row.rate);
            ASSERT_FALSE(bytes.empty());
            video = ProbeMpegVideo(bytes);
            if (video.kind != MpegStreamKind::Other) {
                EXPECT_EQ(video.width, row.width);
                EXPECT_EQ(video.height, row.height);
            }
        }
        const char* profile = DlnaProfileOf(row.type, video);
        EXPECT_STREQ(profile ? profile : "", row.profile ? row.profile : "");
    }
    EXPECT_EQ(ProbeMpegVideoFile("no/such/file.mpg").kind, MpegStreamKind::Other);
    EXPECT_EQ(DlnaProtocolInfo(MEDIA_MP3, "MP3"),
              "http-get:*:audio/mpeg:DLNA.ORG_PN=MP3;DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01700000000000000000000000000000");
    EXPECT_EQ(DlnaProtocolInfo(MEDIA_AVI, nullptr),
              "http-get:*:video/x-msvideo:DLNA.ORG_OP=01;DLNA.ORG_FLAGS=01700000000000000000000000000000");
}

TEST(DlnaFeatures, RenderersGetTheHeadersTheyAskFor) {
    const std::string features = DlnaFeatures("MP3");
    const struct {
        std::optional<std::string_view> get, mode;
        std::int32_t type;
        std::string contentFeatures, transferMode;
    } rows[] = {
        {std::nullopt, std::nullopt, MEDIA_MP3, "", ""}, // a plain player is told nothing new
        {"1", std::nullopt, MEDIA_MP3, features, "Streaming"},
        {" 1 ", "Streaming", MEDIA_MP3, features, "Streaming"},
        {"1", "interactive", MEDIA_MP3, features, "Interactive"},
        {std::nullopt, "Background", MEDIA_MPEG2, "", "Background"},
        {"0", std::nullopt, MEDIA_MP3, "", ""},
        {"yes", std::nullopt, MEDIA_MP3, "", ""},
        {std::nullopt, "Streaming\r\nX-Evil: 1", MEDIA_MP3, "", ""}, // never echoed as sent
        {"1", "Bulk", MEDIA_MP3, features, ""},
        {"1", std::nullopt, 99, features, ""}, // an unknown type is not claimed to stream
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.get.value_or("-")) + " / " + std::string(row.mode.value_or("-")));
        const DlnaHeaders headers = AnswerDlnaHeaders(row.get, row.mode, row.type, "MP3");
        EXPECT_EQ(headers.contentFeatures, row.contentFeatures);
        EXPECT_EQ(headers.transferMode, row.transferMode);
    }
}

} // namespace
} // namespace tarnvale::test
