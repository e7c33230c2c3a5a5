// What the headless server serves beside the programs' files, asked with curl on 127.0.0.1: the subtitles beside
// a program as WebVTT for the page and as they are for TVs, named in programs.json and in the caption header TVs
// ask for; bad subtitle files refused plainly, with the server answering on after each.
#include "core/ListFile.h"
#include "core/MediaType.h"
#include "net/NetTestSupport.h"
#include "server/HeadlessServer.h"
#include "support/CurlFetch.h"
#include "support/MediaFixtures.h"
#include "support/Poll.h"
#include "support/Shell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <string>

namespace tarnvale::test {
namespace {

class ServerExtras : public ::testing::Test {
protected:
    void Serve() {
        ServerOptions options;
        options.address = platform::kLoopbackAddress;
        options.port = 0;
        options.list = list;
        options.http = 0;
        options.pictures = dir.File("pictures");
        options.ffmpeg = ffmpeg;
        options.convert.cacheFolder = dir.File("converted");
        server = std::make_unique<HeadlessServer>(options, ServerLines{said.Sink(), log.Sink()});
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
    }
    // The width and height of a JPEG as ffprobe reads them, "WxH".
    std::string Dimensions(const std::string& jpeg) {
        WriteBytes(dir.File("fetched.jpg"), std::vector<std::uint8_t>(jpeg.begin(), jpeg.end()));
        std::string out = RunCommand("ffprobe -v error -show_entries stream=width,height -of csv=s=x:p=0 " +
                                     Quote(dir.File("fetched.jpg")))
                              .out;
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
            out.pop_back();
        return out;
    }
    std::int32_t Add(const std::string& path, std::int32_t type) {
        const auto pid = static_cast<std::int32_t>(catalogue.Count()) + 1;
        catalogue.Append(Record(path, pid, type, 1000, 0));
        EXPECT_TRUE(SaveListFile(list, catalogue));
        return pid;
    }
    Fetched Get(const std::string& path, const std::string& args = "") {
        return CurlFetch(args, "http://127.0.0.1:" + std::to_string(server->HttpPort()) + path, dir.Path());
    }
    void Write(const std::string& name, std::string_view bytes) {
        WriteBytes(dir.File(name), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }

    TempDir dir;
    std::string list = dir.File("programs.lst");
    CMediaInfoList catalogue;
    LineLog said, log;
    std::unique_ptr<HeadlessServer> server;
    std::string ffmpeg = "ffmpeg";
};

TEST_F(ServerExtras, SubtitlesAreListedServedAsWebVttAndAsTheyAreAndBadOnesRefused) {
    Write("film.mpg", "not really a program");
    Write("plain.mpg", "no subtitles beside this one");
    // Windows-1252 accents and a broken cue; a file name with markup; one with bytes that are not UTF-8.
    Write("film.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xE9 cr\xE8me\r\n\r\n2\r\n00:00:03 --> 00:00:04,000\r\n"
                      "broken\r\n");
    Write("film.<img src=x onerror=alert(1)>.srt", "1\n00:00:01,000 --> 00:00:02,000\nmarkup in the name\n");
    Write("film.de.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000\nGr\xC3\xBC\xC3\x9F"
                         "e\n");
    Write("film.no-text.srt", std::string_view("\0\1\2\3binary", 10));
    Write("film.long.srt", std::string(10 * 1000 * 1000, 'x'));
    Write("film.\xE9t\xE9.srt", "1\n00:00:01,000 --> 00:00:02,000\nlatin-1 name\n");
    const std::int32_t film = Add(dir.File("film.mpg"), MEDIA_MPEG2);
    const std::int32_t plain = Add(dir.File("plain.mpg"), MEDIA_MPEG2);
    Serve();
    const std::string origin = "http://127.0.0.1:" + std::to_string(server->HttpPort());
    const std::string base = "/subtitles/" + std::to_string(film) + "/";

    // In order: the file without a language, then by language (bytes): <img...>, de, long, no-text, \xE9t\xE9.
    const Fetched json = Get("/programs.json");
    ASSERT_EQ(json.status, 200) << json.error;
    const std::string expected = "\"subtitles\":[{\"lang\":\"und\",\"url\":\"" + origin + base + "0.vtt\"}," +
                                 "{\"lang\":\"<img src=x onerror=alert(1)>\",\"url\":\"" + origin + base + "1.vtt\"}," +
                                 "{\"lang\":\"de\",\"url\":\"" + origin + base + "2.vtt\"}," +
                                 "{\"lang\":\"long\",\"url\":\"" + origin + base + "3.vtt\"}," +
                                 "{\"lang\":\"no-text\",\"url\":\"" + origin + base + "4.vtt\"}," +
                                 "{\"lang\":\"\xEF\xBF\xBDt\xEF\xBF\xBD\",\"url\":\"" + origin + base + "5.vtt\"}]";
    EXPECT_NE(json.body.find(expected), std::string::npos) << json.body;
    const std::size_t plainAt = json.body.find("\n{\"pid\":" + std::to_string(plain) + ",");
    ASSERT_NE(plainAt, std::string::npos);
    EXPECT_EQ(json.body.find("subtitles", plainAt), std::string::npos) << "none beside the other program";

    struct Row {
        const char* what;
        std::string path;
        int status;
        const char* type;
        std::string body; // found within the answer's body
    };
    const std::vector<Row> rows = {
        {"Windows-1252 as UTF-8, the broken cue left out", base + "0.vtt", 200, "text/vtt; charset=utf-8",
         "WEBVTT\n\n00:00:01.000 --> 00:00:02.000\nCaf\xC3\xA9 cr\xC3\xA8me\n"},
        {"the same file as it is, for TVs", base + "0.srt", 200, "text/srt", "Caf\xE9 cr\xE8me"},
        {"a name with markup serves its file", base + "1.vtt", 200, "text/vtt; charset=utf-8", "markup in the name"},
        {"a WebVTT file as it is", base + "2.vtt", 200, "text/vtt; charset=utf-8",
         "Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"a WebVTT file has no SubRip form", base + "2.srt", 404, "text/plain; charset=utf-8", "No such subtitles"},
        {"10 MB is no subtitle file", base + "3.vtt", 422, "text/plain; charset=utf-8", "longer than 4 MiB"},
        {"a binary file is not text", base + "4.vtt", 422, "text/plain; charset=utf-8", "not text"},
        {"a name that is not UTF-8", base + "5.vtt", 200, "text/vtt; charset=utf-8", "latin-1 name"},
        {"a number past the files", base + "6.vtt", 404, "text/plain; charset=utf-8", "No such subtitles"},
        {"a number named twice", base + "00.vtt", 404, "text/plain; charset=utf-8", "No such subtitles"},
        {"another extension", base + "0.txt", 404, "text/plain; charset=utf-8", "No such subtitles"},
        {"an unknown PID", "/subtitles/99/0.vtt", 404, "text/plain; charset=utf-8", "No such subtitles"},
        {"a program without any", "/subtitles/" + std::to_string(plain) + "/0.vtt", 404, "text/plain; charset=utf-8",
         "No such subtitles"},
        {"a path that climbs", base + "../../programs.lst", 404, "text/plain; charset=utf-8", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Fetched got = Get(row.path);
        EXPECT_EQ(got.status, row.status) << got.error;
        EXPECT_EQ(Header(got, "content-type"), row.type);
        EXPECT_NE(got.body.find(row.body), std::string::npos) << got.body;
        // The server answers on after each.
        EXPECT_EQ(Get("/programs.m3u8").status, 200);
    }
    EXPECT_EQ(log.Count("is not served: it is not text"), 1u);

    // TVs that ask with the video are told where its SubRip file is; others, and videos without one, are not.
    const std::string video = "/programs/" + std::to_string(film);
    EXPECT_EQ(Header(Get(video, "-r 0-0 -H 'getCaptionInfo.sec: 1'"), "captioninfo.sec"), origin + base + "0.srt");
    EXPECT_EQ(Header(Get(video, "-r 0-0"), "captioninfo.sec"), "");
    EXPECT_EQ(Header(Get("/programs/" + std::to_string(plain), "-H 'getCaptionInfo.sec: 1'"), "captioninfo.sec"), "");
}

TEST_F(ServerExtras, PicturesAreMadeOnceKeptAndMadeAgainForAChangedFile) {
    // A cover of 320x200 inside an MP3; the same MP3 with the cover's bytes trampled; a video that is no video.
    ASSERT_EQ(
        RunCommand("ffmpeg -v error -y -f lavfi -i color=c=red:s=320x200 -frames:v 1 " + Quote(dir.File("cover.jpg")))
            .code,
        0);
    ASSERT_EQ(RunCommand("ffmpeg -v error -y -f lavfi -i sine=d=1 -i " + Quote(dir.File("cover.jpg")) +
                         " -map 0:a -map 1:v -c:a libmp3lame -c:v copy -disposition:v attached_pic "
                         "-id3v2_version 3 " +
                         Quote(dir.File("song.mp3")))
                  .code,
              0);
    std::vector<std::uint8_t> song = ReadBytes(dir.File("song.mp3"));
    const std::array<std::uint8_t, 3> jpegStart = {0xFF, 0xD8, 0xFF};
    const auto cover = std::search(song.begin(), song.end(), jpegStart.begin(), jpegStart.end());
    ASSERT_NE(cover, song.end());
    std::vector<std::uint8_t> trampled = song;
    for (std::size_t i = static_cast<std::size_t>(cover - song.begin()) + 2, k = 0; k < 400 && i < trampled.size();
         ++i, ++k)
        trampled[i] = static_cast<std::uint8_t>(k * 37);
    WriteBytes(dir.File("trampled.mp3"), trampled);
    Write("damaged.mpg", std::string(20000, '\x47'));
    std::filesystem::copy_file(FixturePath("mpeg2-program.mpg"), dir.File("film.mpg"));

    const std::int32_t film = Add(dir.File("film.mpg"), MEDIA_MPEG2);
    const std::int32_t avi = Add(FixturePath("clip.avi"), MEDIA_AVI);
    const std::int32_t songPid = Add(dir.File("song.mp3"), MEDIA_MP3);
    const std::int32_t tone = Add(FixturePath("tone.mp3"), MEDIA_MP3); // no cover
    const std::int32_t trampledPid = Add(dir.File("trampled.mp3"), MEDIA_MP3);
    const std::int32_t damaged = Add(dir.File("damaged.mpg"), MEDIA_MPEG2);
    Serve();

    struct Row {
        const char* what;
        std::int32_t pid;
        int status;
        const char* size; // as ffprobe reads the picture
    };
    const std::vector<Row> rows = {
        {"a program stream, 96x64", film, 200, "96x64"},
        {"an AVI", avi, 200, "96x64"},
        {"an MP3's cover of 320x200, fitted into 160x160", songPid, 200, "160x100"},
        {"an MP3 without a cover", tone, 404, ""},
        {"an MP3 whose cover is damaged", trampledPid, 404, ""},
        {"a damaged video", damaged, 404, ""},
        {"a PID no program has", 99, 404, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Fetched got = Get("/pictures/" + std::to_string(row.pid) + ".jpg");
        EXPECT_EQ(got.status, row.status) << got.error << got.body;
        if (row.status == 200) {
            EXPECT_EQ(Header(got, "content-type"), "image/jpeg");
            EXPECT_EQ(Dimensions(got.body), row.size);
            EXPECT_FALSE(Header(got, "etag").empty());
            EXPECT_EQ(Header(got, "cache-control"), "max-age=300");
        }
        EXPECT_EQ(Get("/programs.m3u8").status, 200) << "the server answers on";
    }
    for (const char* bad : {"/pictures/01.jpg", "/pictures/1.png", "/pictures/1", "/pictures/../programs.lst"})
        EXPECT_EQ(Get(bad).status, 404) << bad;
    EXPECT_TRUE(log.WaitForCount("no picture of " + dir.File("damaged.mpg"), 1));
    EXPECT_TRUE(log.WaitForCount("no picture of " + dir.File("trampled.mp3"), 1));

    // Asked again, by the list and by a client that has them: nothing is made twice.
    const std::size_t runs = server->PictureRuns();
    const std::string json = Get("/programs.json").body;
    const std::string origin = "http://127.0.0.1:" + std::to_string(server->HttpPort());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string named = "\"picture\":\"" + origin + "/pictures/" + std::to_string(row.pid) + ".jpg\"";
        EXPECT_EQ(json.find(named) != std::string::npos, row.status == 200) << json;
        const Fetched again = Get("/pictures/" + std::to_string(row.pid) + ".jpg");
        EXPECT_EQ(again.status, row.status);
        if (row.status == 200) {
            const std::string match = "-H " + Quote("If-None-Match: " + Header(again, "etag"));
            EXPECT_EQ(Get("/pictures/" + std::to_string(row.pid) + ".jpg", match).status, 304);
        }
    }
    EXPECT_EQ(server->PictureRuns(), runs);

    // A changed file is a new file: its picture is made again, once.
    const std::string before = Header(Get("/pictures/" + std::to_string(film) + ".jpg"), "etag");
    std::filesystem::copy_file(FixturePath("mpeg2-program.vob"), dir.File("film.mpg"),
                               std::filesystem::copy_options::overwrite_existing);
    const Fetched changed = Get("/pictures/" + std::to_string(film) + ".jpg");
    EXPECT_EQ(changed.status, 200);
    EXPECT_NE(Header(changed, "etag"), before);
    EXPECT_GT(server->PictureRuns(), runs);
    const std::size_t afterChange = server->PictureRuns();
    EXPECT_EQ(Get("/pictures/" + std::to_string(film) + ".jpg").status, 200);
    EXPECT_EQ(server->PictureRuns(), afterChange);

    // A new server on the same folder makes none of them again, the ones that could not be made included.
    server.reset();
    Serve();
    for (const Row& row : rows)
        EXPECT_EQ(Get("/pictures/" + std::to_string(row.pid) + ".jpg").status, row.status) << row.what;
    EXPECT_EQ(server->PictureRuns(), 0u);
}

TEST_F(ServerExtras, PicturesOfProgramsAddedToTheListFileAreMadeAheadOfAnyRequest) {
    const auto made = [&] {
        std::size_t count = 0;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("pictures"), error))
            count += entry.path().extension() == ".jpg";
        return count;
    };
    Add(FixturePath("clip.avi"), MEDIA_AVI);
    Serve();
    EXPECT_TRUE(PollUntil([&] { return made() == 1; }, std::chrono::seconds(60)));
    Add(FixturePath("mpeg2-program.vob"), MEDIA_MPEG2); // the server follows the list file
    EXPECT_TRUE(PollUntil([&] { return made() == 2; }, std::chrono::seconds(60)));
    EXPECT_EQ(log.Count("GET /pictures/"), 0u);
}

TEST_F(ServerExtras, WithoutFfmpegThereAreNoPicturesOneLineSaysSoAndNothingIsRememberedAgainstTheFiles) {
    ffmpeg = dir.File("no-such-ffmpeg");
    for (const char* name : {"a.mpg", "b.mpg", "c.mpg"})
        std::filesystem::copy_file(FixturePath("mpeg2-program.mpg"), dir.File(name));
    Add(dir.File("a.mpg"), MEDIA_MPEG2);
    Add(dir.File("b.mpg"), MEDIA_MPEG2);
    Add(dir.File("c.mpg"), MEDIA_MPEG2);
    Serve();
    // Each request waits for its own try, so all three have been tried after them.
    for (const char* pid : {"1", "2", "3", "1"})
        EXPECT_EQ(Get(std::string("/pictures/") + pid + ".jpg").status, 404) << pid;
    EXPECT_TRUE(log.WaitForCount("no pictures are made: ", 1));
    EXPECT_EQ(Get("/programs.m3u8").status, 200);
    EXPECT_EQ(log.Count("no picture"), 1u) << "one line, not one per program";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("pictures"), error))
        ADD_FAILURE() << "a file kept against a program: " << entry.path();
}

TEST_F(ServerExtras, ChromiumShowsTheGridWithEachPictureLoadedAndAMarkWhereThereIsNone) {
    std::filesystem::copy_file(FixturePath("mpeg2-program.mpg"), dir.File("film.mpg"));
    Write("film.fr.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9\n");
    Write("damaged.mpg", std::string(20000, '\x47'));
    const std::int32_t film = Add(dir.File("film.mpg"), MEDIA_MPEG2);
    const std::int32_t avi = Add(FixturePath("clip.avi"), MEDIA_AVI);
    const std::int32_t tone = Add(FixturePath("tone.mp3"), MEDIA_MP3);
    const std::int32_t damaged = Add(dir.File("damaged.mpg"), MEDIA_MPEG2);
    Serve();
    // A phone's screen; virtual time lets the lazy pictures load and the page's script run before the DOM is
    // written out.
    const Ran page = RunCommand("chromium --headless --no-sandbox --disable-gpu --no-first-run --window-size=390,844 "
                                "--user-data-dir=" +
                                dir.File("profile") + " --virtual-time-budget=30000 --dump-dom http://127.0.0.1:" +
                                std::to_string(server->HttpPort()) + "/ 2>/dev/null");
    ASSERT_EQ(page.code, 0) << page.out;
    // A picture that failed to load is taken out by the page: the ones left loaded.
    for (const std::int32_t pid : {film, avi}) {
        SCOPED_TRACE(pid);
        EXPECT_NE(page.out.find("/pictures/" + std::to_string(pid) + ".jpg\">"), std::string::npos) << page.out;
    }
    // The ones without: the damaged video, and the MP3 without a cover (offered or not, depending on whether it
    // was tried before the page was asked for) show the plain mark, not a broken picture.
    for (const std::int32_t pid : {tone, damaged}) {
        SCOPED_TRACE(pid);
        const std::size_t tile = page.out.find("<li class=\"tile\"><a class=\"cover");
        const std::size_t link = page.out.find("/programs/" + std::to_string(pid) + "\"", tile);
        ASSERT_NE(link, std::string::npos) << page.out;
        const std::string_view rest = std::string_view(page.out).substr(link);
        EXPECT_EQ(rest.substr(0, rest.find("</li>")).find("<img"), std::string_view::npos) << rest;
    }
    EXPECT_NE(page.out.find("<body class=\"grid\">"), std::string::npos);
    EXPECT_NE(page.out.find("data-lang=\"fr\">fr</a>"), std::string::npos);
}

TEST_F(ServerExtras, ChromiumPlaysAProgramFromTheGridWithItsWindows1252SubtitlesAsATrack) {
    if (!std::filesystem::exists(TARNVALE_PUPPETEER))
        GTEST_SKIP() << "no browser driver in " << TARNVALE_PUPPETEER << " (scripts/test.sh installs it)";
    std::filesystem::copy_file(FixturePath("mpeg2-program.mpg"), dir.File("film.mpg"));
    Write("film.fr.srt", "1\r\n00:00:00,100 --> 00:00:00,900\r\nCaf\xE9 cr\xE8me \x80\r\n\r\n"
                         "2\r\n00:00:00,5 --> broken\r\nleft out\r\n");
    const std::int32_t film = Add(dir.File("film.mpg"), MEDIA_MPEG2);
    Serve();
    const std::string origin = "http://127.0.0.1:" + std::to_string(server->HttpPort());
    const Ran ran = RunCommand("node " + Quote(TARNVALE_PAGE_TRACKS) + " " + Quote(TARNVALE_PUPPETEER) + " " +
                               Quote(dir.File("profile")) + " " + Quote(origin + "/") + " " +
                               Quote("/programs/" + std::to_string(film)));
    ASSERT_EQ(ran.code, 0) << ran.out;
    EXPECT_NE(
        ran.out.find("\"mode\":\"showing\",\"language\":\"fr\",\"cues\":[\"Caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC\"]"),
        std::string::npos)
        << ran.out;
    EXPECT_NE(ran.out.find("\"pictures\":[96]"), std::string::npos) << "the grid's picture, loaded: " << ran.out;
}

} // namespace
} // namespace tarnvale::test
