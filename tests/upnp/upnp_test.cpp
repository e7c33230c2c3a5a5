// The UPnP side without the network: what a TV gets when it browses a catalogue page by page, with names that try
// to break the XML, what each wrong request earns, and whether the documents promise what the actions answer.
#include "core/MediaType.h"
#include "support/TempDir.h"
#include "upnp/ContentDirectory.h"
#include "upnp/DeviceDocuments.h"
#include "upnp/DeviceIdentity.h"
#include "upnp/MediaServerActions.h"
#include "upnp/NetworkInterfaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace tarnvale::test {
namespace {

CMediaInfo Program(const char* path, std::int32_t pid, std::int32_t type, std::int32_t size = 1000) {
    CMediaInfo program;
    program.SetPath(path);
    program.m_nPID = pid;
    program.m_nType = type;
    program.m_nSize = size;
    return program;
}

// Counts what the directory looks at, and says every MPEG file is a PAL program stream.
struct CountingProbe {
    std::map<std::string, int> probed;
    ContentDirectory::VideoProbe Function() {
        return [this](const char* path) {
            ++probed[path];
            return MpegVideoFormat{MpegStreamKind::Mpeg2System, 720, 576, 3};
        };
    }
};

// The values of attribute in every element named element, in document order.
std::vector<std::string> Attributes(const std::string& didl, const std::string& element, const std::string& attribute) {
    std::vector<std::string> values;
    const std::regex pattern("<" + element + " [^>]*" + attribute + "=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(didl.begin(), didl.end(), pattern); it != std::sregex_iterator(); ++it)
        values.push_back((*it)[1]);
    return values;
}

class DirectoryTest : public ::testing::Test {
protected:
    DirectoryTest() : directory(catalogue, "http://192.0.2.1:8080", probe.Function(), 41) {}

    DirectoryPage Browse(const std::string& id, bool children, std::uint32_t start = 0, std::uint32_t count = 0) {
        const std::optional<DirectoryPage> page = directory.Browse({id, children, start, count});
        EXPECT_TRUE(page) << id;
        return page.value_or(DirectoryPage{});
    }

    CMediaInfoList catalogue;
    CountingProbe probe;
    ContentDirectory directory;
};

TEST_F(DirectoryTest, FilesOf2GiBAndMoreShowTheirSizeOnDisk) {
    // Sparse; the catalogue's 32-bit field holds what is left of 5 GiB (1 GiB), or wraps past 2 GiB to negative.
    TempDir folder;
    const struct {
        const char* name;
        std::uint64_t size;
    } rows[] = {{"five.mpg", 5ull << 30}, {"three.mpg", 3ull << 30}};
    std::vector<CMediaInfo> programs;
    for (const auto& row : rows) {
        std::ofstream(folder.File(row.name)).close();
        std::filesystem::resize_file(folder.File(row.name), row.size);
        programs.push_back(Program(folder.File(row.name).c_str(), static_cast<std::int32_t>(programs.size()) + 1,
                                   MEDIA_MPEG2, static_cast<std::int32_t>(row.size)));
    }
    programs.push_back(Program("/srv/gone.mpg", 3, MEDIA_MPEG2, 4096)); // no file: the catalogue's size
    catalogue.Assign(programs);
    EXPECT_EQ(Attributes(Browse("all", true).didl, "res", "size"),
              (std::vector<std::string>{"5368709120", "3221225472", "4096"}));
}

TEST_F(DirectoryTest, EveryProgramIsFoundUnderTheContainersATvUserUnderstands) {
    catalogue.Assign({
        Program("/srv/video/holiday.avi", 12, MEDIA_AVI, 77120), Program("/srv/music/tone.mp3", 13, MEDIA_MP3, 4486),
        Program("/srv/video/harbour.mpg", 14, MEDIA_MPEG2),
        Program("/srv/other/shadow.mp3", 12, MEDIA_MP3), // PID 12 again: never served, never shown
        Program("/srv/x/strange.bin", 15, 77),           // a type this build does not know
    });

    const DirectoryPage root = Browse("0", true);
    EXPECT_EQ(Attributes(root.didl, "container", "id"), (std::vector<std::string>{"video", "music", "all"}));
    EXPECT_EQ(Attributes(root.didl, "container", "childCount"), (std::vector<std::string>{"2", "1", "4"}));
    EXPECT_EQ(Attributes(root.didl, "container", "parentID"), (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(root.total, 3u);
    EXPECT_EQ(root.updateId, 41u);

    const struct {
        const char* container;
        std::vector<std::string> ids;
    } rows[] = {{"video", {"12", "14"}}, {"music", {"13"}}, {"all", {"12", "13", "14", "15"}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.container);
        const DirectoryPage page = Browse(row.container, true);
        EXPECT_EQ(Attributes(page.didl, "item", "id"), row.ids);
        EXPECT_EQ(page.total, row.ids.size());
        EXPECT_EQ(page.returned, row.ids.size());
        for (const std::string& parent : Attributes(page.didl, "item", "parentID"))
            EXPECT_EQ(parent, row.container);
        EXPECT_EQ(page.didl.find("/srv"), std::string::npos) << "folders are not shown to the network";
    }

    const DirectoryPage avi = Browse("12", false);
    EXPECT_NE(avi.didl.find("<dc:title>holiday.avi</dc:title><upnp:class>object.item.videoItem</upnp:class>"
                            "<res protocolInfo=\"http-get:*:video/x-msvideo:DLNA.ORG_OP=01;"),
              std::string::npos)
        << avi.didl;
    EXPECT_NE(avi.didl.find("size=\"77120\">http://192.0.2.1:8080/programs/12</res>"), std::string::npos);
    EXPECT_EQ(Attributes(avi.didl, "item", "parentID"), std::vector<std::string>{"video"});
    const DirectoryPage mp3 = Browse("13", false);
    EXPECT_NE(mp3.didl.find("object.item.audioItem.musicTrack"), std::string::npos);
    EXPECT_NE(mp3.didl.find("DLNA.ORG_PN=MP3;"), std::string::npos);
    EXPECT_NE(Browse("14", false).didl.find("DLNA.ORG_PN=MPEG_PS_PAL;"), std::string::npos);
    EXPECT_EQ(Attributes(Browse("15", false).didl, "item", "parentID"), std::vector<std::string>{"all"});

    // Metadata of the root and of a container; an item has no children.
    EXPECT_EQ(Attributes(Browse("0", false).didl, "container", "parentID"), std::vector<std::string>{"-1"});
    EXPECT_EQ(Attributes(Browse("music", false).didl, "container", "childCount"), std::vector<std::string>{"1"});
    EXPECT_EQ(Browse("12", true).total, 0u);

    // Only MPEG files are looked at, each once however often it is shown.
    Browse("all", true);
    EXPECT_EQ(probe.probed, (std::map<std::string, int>{{"/srv/video/harbour.mpg", 1}}));
}

TEST_F(DirectoryTest, OnlyObjectsThatExistAreFound) {
    catalogue.Assign({Program("/a.mp3", 12, MEDIA_MP3), Program("/b.mp3", -3, MEDIA_MP3)});
    for (const char* id : {"", "12 ", "012", "+12", "0x0C", "99", "music/12", "-0", "4294967308", "ALL", "1e1"}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(directory.Browse({id, false, 0, 0}));
        EXPECT_FALSE(directory.Browse({id, true, 0, 0}));
    }
    EXPECT_TRUE(directory.Browse({"-3", false, 0, 0}));
    // The root shows no empty container, but an empty one still answers: a TV may have kept its id.
    EXPECT_EQ(Attributes(Browse("0", true).didl, "container", "id"), (std::vector<std::string>{"music", "all"}));
    EXPECT_EQ(Browse("video", true).total, 0u);
}

TEST_F(DirectoryTest, PagesCoverTheCatalogueOnceWithTheTrueTotal) {
    const std::uint32_t programs = kMaxPageObjects + 150;
    std::vector<CMediaInfo> records;
    for (std::uint32_t i = 0; i < programs; ++i)
        records.push_back(
            Program(("/m/" + std::to_string(i) + ".mp3").c_str(), static_cast<std::int32_t>(i + 1), MEDIA_MP3));
    catalogue.Assign(records);

    const struct {
        std::uint32_t start, count, returned;
    } rows[] = {
        {0, 0, kMaxPageObjects},           // "all" is a page, and the total says there is more
        {0, 4294967295u, kMaxPageObjects}, // so is the largest count
        {0, 1, 1},
        {programs - 1, 10, 1},
        {programs, 10, 0}, // past the end: an empty page, the same total
        {4294967295u, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.start) + "+" + std::to_string(row.count));
        const DirectoryPage page = Browse("all", true, row.start, row.count);
        EXPECT_EQ(page.returned, row.returned);
        EXPECT_EQ(page.total, programs);
        EXPECT_EQ(Attributes(page.didl, "item", "id").size(), row.returned);
    }

    std::set<std::string> seen;
    for (std::uint32_t start = 0; start < programs; start += 200) {
        for (const std::string& id : Attributes(Browse("music", true, start, 200).didl, "item", "id"))
            EXPECT_TRUE(seen.insert(id).second) << id << " shown twice";
    }
    EXPECT_EQ(seen.size(), programs);
}

TEST_F(DirectoryTest, AReloadIsSeenByTheNextBrowseAndKeepsTheIds) {
    catalogue.Assign({Program("/v/a.avi", 5, MEDIA_AVI), Program("/v/b.mpg", 6, MEDIA_MPEG1)});
    EXPECT_EQ(Browse("video", true).total, 2u);
    EXPECT_EQ(probe.probed.size(), 1u);

    catalogue.Assign({Program("/v/b.mpg", 6, MEDIA_MPEG1), Program("/v/c.mp3", 7, MEDIA_MP3)});
    EXPECT_EQ(Browse("video", true).total, 2u) << "no change told yet: the same view";
    EXPECT_EQ(directory.Changed(), 42u);
    EXPECT_EQ(directory.UpdateId(), 42u);
    const DirectoryPage video = Browse("video", true);
    EXPECT_EQ(Attributes(video.didl, "item", "id"), std::vector<std::string>{"6"});
    EXPECT_EQ(video.updateId, 42u);
    EXPECT_EQ(Browse("music", true).total, 1u);
    EXPECT_FALSE(directory.Browse({"5", false, 0, 0}));
    EXPECT_TRUE(directory.Browse({"6", false, 0, 0})) << "a TV's bookmark of PID 6 survives the reload";
}

TEST_F(DirectoryTest, NamesStayTextInTheDocument) {
    catalogue.Assign({Program("/v/<b>x & \"q\" 'y'\t\x01\xff.avi", 5, MEDIA_AVI),
                      Program("/v/]]></dc:title><item id=\"666\">.mp3", 6, MEDIA_MP3)});
    const std::string didl = Browse("all", true).didl;
    EXPECT_NE(didl.find("<dc:title>&lt;b&gt;x &amp; &quot;q&quot; &#39;y&#39;  \xEF\xBF\xBD.avi</dc:title>"),
              std::string::npos)
        << didl;
    EXPECT_EQ(Attributes(didl, "item", "id"), (std::vector<std::string>{"5", "6"}));
    EXPECT_TRUE(std::none_of(didl.begin(), didl.end(), [](char c) { return c >= 0 && c < 0x20; }))
        << "XML has no room for control characters";
}

TEST_F(DirectoryTest, ASubRipFileBesideAProgramIsOfferedToTvsAndAVttFileIsNot) {
    TempDir folder;
    for (const char* name : {"film.mpg", "film.fr.vtt", "film.en.srt", "film.srt", "plain.mpg", "vtt.mpg", "vtt.vtt"})
        std::ofstream(folder.File(name)).close();
    catalogue.Assign({Program(folder.File("film.mpg").c_str(), 1, MEDIA_MPEG2),
                      Program(folder.File("plain.mpg").c_str(), 2, MEDIA_MPEG2),
                      Program(folder.File("vtt.mpg").c_str(), 3, MEDIA_MPEG2)});
    const std::string didl = Browse("all", true).didl;
    // The file without a language is the first (number 0); only SubRip files go to TVs.
    const std::string url = "http://192.0.2.1:8080/subtitles/1/0.srt";
    EXPECT_NE(didl.find("<res protocolInfo=\"http-get:*:text/srt:*\">" + url + "</res>"), std::string::npos) << didl;
    EXPECT_NE(didl.find("sec:type=\"srt\">" + url + "</sec:CaptionInfoEx>"), std::string::npos) << didl;
    EXPECT_EQ(Attributes(didl, "res", "protocolInfo").size(), 4u) << "one res each, and the one SubRip file's";
}

TEST_F(DirectoryTest, ProgramsWithAPictureHaveAlbumArtAndAThumbnailRes) {
    catalogue.Assign({Program("/v/film.mpg", 1, MEDIA_MPEG2), Program("/v/damaged.mpg", 2, MEDIA_MPEG2),
                      Program("/v/song.mp3", 3, MEDIA_MP3)});
    directory.SetPictureCheck([](const CMediaInfo& program) { return program.Path() != "/v/damaged.mpg"; });
    const std::string didl = Browse("all", true).didl;
    EXPECT_EQ(Attributes(didl, "upnp:albumArtURI", "dlna:profileID"), (std::vector<std::string>{"JPEG_TN", "JPEG_TN"}));
    for (const char* pid : {"1", "3"}) {
        SCOPED_TRACE(pid);
        const std::string url = std::string("http://192.0.2.1:8080/pictures/") + pid + ".jpg";
        EXPECT_NE(didl.find("<upnp:albumArtURI dlna:profileID=\"JPEG_TN\">" + url + "</upnp:albumArtURI>"),
                  std::string::npos);
        EXPECT_NE(didl.find("<res protocolInfo=\"http-get:*:image/jpeg:DLNA.ORG_PN=JPEG_TN;"), std::string::npos);
    }
    EXPECT_EQ(didl.find("/pictures/2.jpg"), std::string::npos) << "none for a program that gives none";
}

TEST(MediaServerActions, WrongRequestsEarnTheirFaults) {
    CMediaInfoList catalogue;
    catalogue.Assign({Program("/a.mp3", 12, MEDIA_MP3)});
    const ContentDirectory directory(catalogue, "http://h:1", nullptr, 7);
    const std::string cds = "urn:upnp-org:serviceId:ContentDirectory";
    const std::string cm = "urn:upnp-org:serviceId:ConnectionManager";
    const auto browse = [](std::string id, std::string flag, std::string start, std::string count) {
        return ActionArguments{{"ObjectID", id},         {"BrowseFlag", flag},      {"Filter", "*"},
                               {"StartingIndex", start}, {"RequestedCount", count}, {"SortCriteria", ""}};
    };
    const struct {
        const char* what;
        std::string service, action;
        ActionArguments in;
        int fault;
    } rows[] = {
        {"browse", cds, "Browse", browse("0", "BrowseDirectChildren", "0", "0"), 0},
        {"largest count", cds, "Browse", browse("music", "BrowseDirectChildren", "0", "4294967295"), 0},
        {"unknown object", cds, "Browse", browse("nothing", "BrowseMetadata", "0", "0"), kNoSuchObject},
        {"bad flag", cds, "Browse", browse("0", "BrowseEverything", "0", "0"), kInvalidArgs},
        {"flag in other case", cds, "Browse", browse("0", "browsemetadata", "0", "0"), kInvalidArgs},
        {"negative start", cds, "Browse", browse("0", "BrowseMetadata", "-1", "0"), kInvalidArgs},
        {"signed count", cds, "Browse", browse("0", "BrowseMetadata", "0", "+5"), kInvalidArgs},
        {"count past ui4", cds, "Browse", browse("0", "BrowseMetadata", "0", "4294967296"), kInvalidArgs},
        {"empty start", cds, "Browse", browse("0", "BrowseMetadata", "", "0"), kInvalidArgs},
        {"missing arguments", cds, "Browse", {{"ObjectID", "0"}, {"BrowseFlag", "BrowseMetadata"}}, kInvalidArgs},
        {"no arguments", cds, "Browse", {}, kInvalidArgs},
        {"unknown action", cds, "Destroy", {}, kInvalidAction},
        {"action of another service", cm, "Browse", browse("0", "BrowseMetadata", "0", "0"), kInvalidAction},
        {"unknown service", "urn:x:serviceId:Other", "Browse", browse("0", "BrowseMetadata", "0", "0"), kInvalidAction},
        {"search everything",
         cds,
         "Search",
         {{"ContainerID", "0"},
          {"SearchCriteria", "*"},
          {"Filter", "*"},
          {"StartingIndex", "0"},
          {"RequestedCount", "0"},
          {"SortCriteria", ""}},
         0},
        {"search by title",
         cds,
         "Search",
         {{"ContainerID", "0"},
          {"SearchCriteria", "dc:title contains \"a\""},
          {"Filter", "*"},
          {"StartingIndex", "0"},
          {"RequestedCount", "0"},
          {"SortCriteria", ""}},
         kBadSearchCriteria},
        {"search in an item",
         cds,
         "Search",
         {{"ContainerID", "12"},
          {"SearchCriteria", "*"},
          {"Filter", "*"},
          {"StartingIndex", "0"},
          {"RequestedCount", "0"},
          {"SortCriteria", ""}},
         kNoSuchObject},
        {"connection 0", cm, "GetCurrentConnectionInfo", {{"ConnectionID", "0"}}, 0},
        {"connection 1", cm, "GetCurrentConnectionInfo", {{"ConnectionID", "1"}}, kInvalidConnection},
        {"registrar", "urn:microsoft.com:serviceId:X_MS_MediaReceiverRegistrar", "IsAuthorized", {{"DeviceID", ""}}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const ActionAnswer answer = AnswerAction(directory, row.service, row.action, row.in);
        EXPECT_EQ(answer.fault, row.fault) << answer.faultText;
        EXPECT_EQ(answer.faultText.empty(), row.fault == 0);
    }

    const ActionAnswer search = AnswerAction(directory, cds, "Search", rows[14].in);
    EXPECT_EQ(*ArgumentValue(search.out, "TotalMatches"), "1");
    EXPECT_EQ(*ArgumentValue(AnswerAction(directory, cds, "GetSystemUpdateID", {}).out, "Id"), "7");
    EXPECT_EQ(*ArgumentValue(AnswerAction(directory, cds, "GetSearchCapabilities", {}).out, "SearchCaps"), "");
    EXPECT_EQ(*ArgumentValue(AnswerAction(directory, cm, "GetProtocolInfo", {}).out, "Source"), SourceProtocolInfo());
    const ActionArguments events = EventedValues(directory, cds);
    EXPECT_EQ(events, (ActionArguments{{"SystemUpdateID", "7"}}));
}

// The documents and the dispatch are written from one table: every action a service description offers is answered
// with exactly the out-arguments it promises, and every argument's state variable is in the service's table.
TEST(DeviceDocuments, WhatTheDescriptionsPromiseIsAnswered) {
    const std::map<std::string, std::string> kValidValues = {
        {"BrowseFlag", "BrowseDirectChildren"}, {"SearchCriteria", "*"}, {"Filter", "*"}, {"SortCriteria", ""}};
    CMediaInfoList catalogue;
    catalogue.Assign({Program("/a.mp3", 12, MEDIA_MP3)});
    const ContentDirectory directory(catalogue, "http://h:1", nullptr, 1);
    for (const ServiceRow& service : MediaServerServices()) {
        SCOPED_TRACE(service.name);
        const std::string scpd = ServiceDescription(service);
        for (const ActionRow& action : service.actions) {
            SCOPED_TRACE(action.name);
            EXPECT_NE(scpd.find(std::string("<name>") + action.name + "</name>"), std::string::npos);
            ActionArguments in;
            std::vector<std::string> promised;
            for (const ArgumentRow& argument : action.arguments) {
                EXPECT_TRUE(std::any_of(service.variables.begin(), service.variables.end(), [&](const VariableRow& v) {
                    return std::string(v.name) == argument.variable;
                })) << argument.variable;
                if (argument.out)
                    promised.push_back(argument.name);
                else
                    in.emplace_back(argument.name,
                                    kValidValues.contains(argument.name) ? kValidValues.at(argument.name) : "0");
            }
            const ActionAnswer answer = AnswerAction(directory, service.id, action.name, in);
            ASSERT_EQ(answer.fault, 0) << answer.faultText;
            std::vector<std::string> given;
            for (const auto& [name, value] : answer.out)
                given.push_back(name);
            EXPECT_EQ(given, promised);
        }
    }

    const DeviceSite site{"Den <TV> & \"more\"\x02", "uuid:1234", "http://192.0.2.1:8080", "http://192.0.2.1:49152"};
    const std::string description = DeviceDescription(site);
    EXPECT_NE(description.find("<friendlyName>Den &lt;TV&gt; &amp; &quot;more&quot; </friendlyName>"),
              std::string::npos);
    EXPECT_NE(description.find("<deviceType>urn:schemas-upnp-org:device:MediaServer:1</deviceType>"),
              std::string::npos);
    EXPECT_NE(description.find("<UDN>uuid:1234</UDN>"), std::string::npos);
    for (const ServiceRow& service : MediaServerServices()) {
        const std::string name = service.name;
        EXPECT_NE(description.find("<SCPDURL>http://192.0.2.1:8080/upnp/" + name + ".xml</SCPDURL>"),
                  std::string::npos);
        EXPECT_NE(description.find("<controlURL>http://192.0.2.1:49152/upnp/control/" + name + "</controlURL>"),
                  std::string::npos);
        EXPECT_NE(description.find("<eventSubURL>http://192.0.2.1:49152/upnp/event/" + name + "</eventSubURL>"),
                  std::string::npos);
    }
}

TEST(DeviceIdentity, TheUdnIsTheSameForTheSameServerAndOnlyForIt) {
    // RFC 4122's name-based UUID of "python.org" in the DNS namespace, as every implementation makes it.
    const Uuid dns = {0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1, 0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
    EXPECT_EQ(UuidText(NameBasedUuid(dns, "python.org")), "886313e1-3b8a-5372-9b90-0c9aee199e5d");
    // Past one SHA-1 block, and at the lengths where the padding takes a block of its own.
    EXPECT_EQ(UuidText(NameBasedUuid(dns, std::string(200, 'x'))), UuidText(NameBasedUuid(dns, std::string(200, 'x'))));

    const std::string udn = DeviceUdn("vm", "/var/lib/tarnvale/Tarnvale.lst");
    EXPECT_TRUE(
        std::regex_match(udn, std::regex("uuid:[0-9a-f]{8}-[0-9a-f]{4}-5[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
        << udn;
    EXPECT_EQ(udn, DeviceUdn("vm", "/var/lib/tarnvale/Tarnvale.lst"));
    std::set<std::string> others{udn};
    for (const auto& [host, list] :
         std::vector<std::pair<std::string, std::string>>{{"vm", "/var/lib/tarnvale/Other.lst"},
                                                          {"vm2", "/var/lib/tarnvale/Tarnvale.lst"},
                                                          {"vm\n/var", "lib/tarnvale/Tarnvale.lst"},
                                                          {"", "/var/lib/tarnvale/Tarnvale.lst"}})
        EXPECT_TRUE(others.insert(DeviceUdn(host, list)).second) << host << " " << list;
    EXPECT_EQ(DefaultFriendlyName("den"), "Tarnvale on den");
}

TEST(NetworkInterfaces, TheAnnouncedInterfaceIsOneALanCanReach) {
    const std::vector<NetworkInterface> interfaces = {
        {"lo", true, true, 0x7F000001},
        {"eth0", false, false, 0xC0000201},
        {"wg0", true, false, std::nullopt},
        {"eth1", true, false, 0xC0000202},
    };
    const struct {
        const char* wanted;
        const char* chosen; // nullptr: none, with an error naming the cause
        const char* errorPart;
    } rows[] = {
        {"", "eth1", ""},
        {"lo", "lo", ""},
        {"eth1", "eth1", ""},
        {"eth0", nullptr, "is down"},
        {"wg0", nullptr, "no IPv4 address"},
        {"eth9", nullptr, "interfaces: lo, eth0, wg0, eth1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.wanted);
        std::string error;
        const auto chosen = ChooseNetworkInterface(interfaces, row.wanted, error);
        EXPECT_EQ(chosen ? chosen->name : "", row.chosen ? row.chosen : "");
        EXPECT_NE(error.find(row.errorPart), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ChooseNetworkInterface({interfaces[0], interfaces[2]}, "", error));
    EXPECT_NE(error.find("--interface"), std::string::npos);
}

} // namespace
} // namespace tarnvale::test
