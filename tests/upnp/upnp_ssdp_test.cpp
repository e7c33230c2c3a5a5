// SSDP datagrams as bytes: searches as control points write them and as a hostile LAN does, and the announcements
// and answers as GSSDP-like readers take them.
#include "upnp/SsdpMessage.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnvale::test {
namespace {

std::optional<SsdpSearch> Read(const std::string& text, bool multicast = true) {
    return ReadSsdpSearch(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), multicast);
}

std::string Search(const std::string& st, const std::string& mx, const std::string& man = "\"ssdp:discover\"") {
    return "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: " + man + "\r\nMX: " + mx + "\r\nST: " + st +
           "\r\n\r\n";
}

TEST(SsdpMessage, SearchesAreReadAsTheyAreMeant) {
    const struct {
        const char* name;
        std::string datagram;
        bool multicast;
        bool read;
        const char* st;
        int mx;
    } rows[] = {
        {"a TV's", Search("ssdp:all", "3"), true, true, "ssdp:all", 3},
        {"lower-case names, bare LF", "M-SEARCH * HTTP/1.1\nst: upnp:rootdevice\nman: \"ssdp:discover\"\nmx:1\n\n",
         true, true, "upnp:rootdevice", 1},
        {"MX beyond the cap", Search("ssdp:all", "120"), true, true, "ssdp:all", kMaxSearchSeconds},
        {"MX beyond any number", Search("ssdp:all", "99999999999999999999"), true, false, "", 0},
        {"MX 0 to the group", Search("ssdp:all", "0"), true, false, "", 0},
        {"MX 0 to us alone", Search("ssdp:all", "0"), false, true, "ssdp:all", 0},
        {"MX negative", Search("ssdp:all", "-1"), true, false, "", 0},
        {"MX in words", Search("ssdp:all", "1e9"), true, false, "", 0},
        {"MX empty", Search("ssdp:all", ""), true, false, "", 0},
        {"MAN unquoted", Search("ssdp:all", "1", "ssdp:discover"), true, false, "", 0},
        {"MAN with noise", Search("ssdp:all", "1", "\"ssdp:discover\xff\xfe"), true, false, "", 0},
        {"an announcement", "NOTIFY * HTTP/1.1\r\nNT: upnp:rootdevice\r\nNTS: ssdp:alive\r\n\r\n", true, false, "", 0},
        {"an answer", "HTTP/1.1 200 OK\r\nST: upnp:rootdevice\r\n\r\n", true, false, "", 0},
        {"no ST", "M-SEARCH * HTTP/1.1\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\n\r\n", true, false, "", 0},
        {"headers without colons", "M-SEARCH * HTTP/1.1\r\nST\r\nMX\r\n:::\r\n\r\n", true, false, "", 0},
        {"an ST of 8,000 bytes", Search("urn:" + std::string(8000, 'x'), "1"), true, false, "", 0},
        {"empty", "", true, false, "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<SsdpSearch> search = Read(row.datagram, row.multicast);
        ASSERT_EQ(search.has_value(), row.read);
        if (search) {
            EXPECT_EQ(search->target, row.st);
            EXPECT_EQ(search->mx, row.mx);
        }
    }
    // Past kMaxSsdpDatagram nothing is read: the ST of a search padded out is never seen.
    EXPECT_FALSE(Read("M-SEARCH * HTTP/1.1\r\nX: " + std::string(kMaxSsdpDatagram, 'a') +
                      "\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\nST: ssdp:all\r\n\r\n"));
}

TEST(SsdpMessage, EachSearchIsAnsweredWithWhatItAsks) {
    const SsdpDevice device{"uuid:1",
                            "http://192.0.2.1:8080/upnp/description.xml",
                            "urn:schemas-upnp-org:device:MediaServer:1",
                            {"urn:schemas-upnp-org:service:ContentDirectory:1"},
                            "Tarnvale/1 UPnP/1.0 Tarnvale/1",
                            300};
    const struct {
        const char* st;
        std::vector<std::string> usns;
    } rows[] = {
        {"ssdp:all",
         {"uuid:1::upnp:rootdevice", "uuid:1", "uuid:1::urn:schemas-upnp-org:device:MediaServer:1",
          "uuid:1::urn:schemas-upnp-org:service:ContentDirectory:1"}},
        {"upnp:rootdevice", {"uuid:1::upnp:rootdevice"}},
        {"uuid:1", {"uuid:1"}},
        {"urn:schemas-upnp-org:service:ContentDirectory:1",
         {"uuid:1::urn:schemas-upnp-org:service:ContentDirectory:1"}},
        {"urn:schemas-upnp-org:device:MediaRenderer:1", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.st);
        std::vector<std::string> usns;
        for (const SsdpTarget& target : MatchingTargets(device, row.st))
            usns.push_back(target.usn);
        EXPECT_EQ(usns, row.usns);
    }
    const SsdpTarget root = SsdpTargets(device)[0];
    EXPECT_EQ(SsdpSearchAnswer(device, root, "Tue, 08 Dec 2026 11:00:00 GMT"),
              "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=300\r\nDATE: Tue, 08 Dec 2026 11:00:00 GMT\r\nEXT: \r\n"
              "LOCATION: http://192.0.2.1:8080/upnp/description.xml\r\nSERVER: Tarnvale/1 UPnP/1.0 Tarnvale/1\r\n"
              "ST: upnp:rootdevice\r\nUSN: uuid:1::upnp:rootdevice\r\nCONTENT-LENGTH: 0\r\n\r\n");
    EXPECT_NE(SsdpAlive(device, root).find("NTS: ssdp:alive\r\n"), std::string::npos);
    EXPECT_EQ(SsdpByebye(root), "NOTIFY * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nNT: upnp:rootdevice\r\n"
                                "NTS: ssdp:byebye\r\nUSN: uuid:1::upnp:rootdevice\r\n\r\n");
}

} // namespace
} // namespace tarnvale::test
