// Subscriptions and their events: SUBSCRIBE headers as bytes, the table's limits and expiry with the time handed in,
// and the eventing worker against real subscribers on loopback sockets (one that takes its events, one that
// never answers).
#include "core/MediaType.h"
#include "platform/Socket.h"
#include "support/Poll.h"
#include "upnp/ContentDirectory.h"
#include "upnp/Eventing.h"
#include "upnp/GenaRequest.h"
#include "upnp/Subscriptions.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

namespace tarnvale::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kClient = 0xC0000202; // 192.0.2.2

TEST(GenaRequest, CallbacksAreTakenOnlyAsTheSubscribersOwnAddress) {
    const struct {
        const char* header;
        bool read;
        std::uint32_t address;
        std::uint16_t port;
        const char* path;
    } rows[] = {
        {"<http://192.0.2.2:49152/event>", true, kClient, 49152, "/event"},
        {" <HTTP://192.0.2.2/>  <http://192.0.2.9:1/> ", true, kClient, 80, "/"},
        {"<http://192.0.2.2:8080>", true, kClient, 8080, "/"},
        {"<http://192.0.2.2:0/>", false, 0, 0, ""},        // port 0
        {"<http://192.0.2.2:65536/>", false, 0, 0, ""},    // no such port
        {"<http://tv.local:8080/>", false, 0, 0, ""},      // a name, resolved who knows where
        {"<http://192.0.2.256/>", false, 0, 0, ""},        // not an address
        {"<http://0192.0.2.2/>", false, 0, 0, ""},         // four digits
        {"<https://192.0.2.2/>", false, 0, 0, ""},         // not http
        {"http://192.0.2.2/", false, 0, 0, ""},            // no brackets
        {"<http://192.0.2.2/a b>", false, 0, 0, ""},       // a space would split the request line
        {"<http://192.0.2.2/a\r\nX: y>", false, 0, 0, ""}, // nor may a line break
        {"<http://[::1]:80/>", false, 0, 0, ""},           // IPv6: the side is IPv4
        {"<", false, 0, 0, ""},
        {"", false, 0, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.header);
        const std::optional<EventCallback> callback = ReadEventCallback(row.header);
        ASSERT_EQ(callback.has_value(), row.read);
        if (row.read) {
            EXPECT_EQ(callback->address, row.address);
            EXPECT_EQ(callback->port, row.port);
            EXPECT_EQ(callback->path, row.path);
        }
    }
    EXPECT_FALSE(ReadEventCallback("<http://" + std::string(100000, 'a') + "/>")) << "a huge host";
    EXPECT_FALSE(ReadEventCallback("<http://192.0.2.2/" + std::string(kMaxCallbackLength, 'a') + ">"));
}

TEST(GenaRequest, EachAskIsReadOrRefusedByItsHeaders) {
    using Headers = std::map<std::string, std::string>;
    const struct {
        const char* name;
        const char* method;
        Headers headers;
        GenaAsk::Kind kind;
        unsigned refusal;
    } rows[] = {
        {"new",
         "SUBSCRIBE",
         {{"NT", "upnp:event"}, {"CALLBACK", "<http://192.0.2.2:5/>"}},
         GenaAsk::Kind::Subscribe,
         0},
        {"another host's callback",
         "SUBSCRIBE",
         {{"NT", "upnp:event"}, {"CALLBACK", "<http://192.0.2.3:5/>"}},
         GenaAsk::Kind::Subscribe,
         412},
        {"no NT", "SUBSCRIBE", {{"CALLBACK", "<http://192.0.2.2:5/>"}}, GenaAsk::Kind::Subscribe, 412},
        {"no CALLBACK", "SUBSCRIBE", {{"NT", "upnp:event"}}, GenaAsk::Kind::Subscribe, 412},
        {"renewal", "SUBSCRIBE", {{"SID", "uuid:1"}}, GenaAsk::Kind::Renew, 0},
        {"renewal with a CALLBACK",
         "SUBSCRIBE",
         {{"SID", "uuid:1"}, {"CALLBACK", "<http://192.0.2.2:5/>"}},
         GenaAsk::Kind::Renew,
         400},
        {"unsubscribe", "UNSUBSCRIBE", {{"SID", "uuid:1"}}, GenaAsk::Kind::Unsubscribe, 0},
        {"unsubscribe without SID", "UNSUBSCRIBE", {}, GenaAsk::Kind::Unsubscribe, 412},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const GenaAsk ask = ReadGenaRequest(row.method, kClient, [&](const char* name) {
            const auto found = row.headers.find(name);
            return found == row.headers.end() ? std::nullopt : std::optional<std::string_view>(found->second);
        });
        EXPECT_EQ(ask.kind, row.kind);
        EXPECT_EQ(ask.refusal, row.refusal) << ask.reason;
    }
    const struct {
        std::optional<std::string_view> header;
        std::uint32_t seconds;
    } timeouts[] = {{std::nullopt, 1800},      {"Second-300", 300}, {"second-5", 60},
                    {"Second-infinite", 1800}, {"Second-", 1800},   {"Second-99999999999999999999", 1800},
                    {"Second--5", 1800},       {"Minute-5", 1800}};
    for (const auto& row : timeouts) {
        SCOPED_TRACE(std::string(row.header.value_or("(none)")));
        EXPECT_EQ(ReadSubscriptionSeconds(row.header, 60, 1800), row.seconds);
    }
}

TEST(Subscriptions, HeldToTheirLimitsAndTheirTime) {
    Subscriptions table({3, 5, 60, 1800});
    const auto start = EventClock::now();
    const EventCallback callback{kClient, 5, "/"};
    std::vector<std::string> sids;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const SubscribeResult result = table.Subscribe(kClient, "cds", callback, 300, start);
        EXPECT_EQ(result.status, i < 3 ? 200u : 503u) << "a handful per address";
        if (result.status == 200)
            sids.push_back(result.sid);
    }
    EXPECT_NE(sids[0], sids[1]);
    EXPECT_TRUE(std::regex_match(
        sids[0], std::regex("uuid:[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
        << sids[0];
    EXPECT_EQ(table.Subscribe(kClient + 1, "cds", {kClient + 1, 5, "/"}, 10, start).seconds, 60u) << "the least";
    EXPECT_EQ(table.Subscribe(kClient + 2, "cds", {kClient + 2, 5, "/"}, 300, start).status, 200u);
    EXPECT_EQ(table.Subscribe(kClient + 3, "cds", {kClient + 3, 5, "/"}, 300, start).status, 503u) << "the total";

    // Renewals and unsubscriptions only by the subscriber, of its own service.
    EXPECT_EQ(table.Renew(kClient + 9, "cds", sids[0], 300, start).status, 412u);
    EXPECT_EQ(table.Renew(kClient, "cm", sids[0], 300, start).status, 412u);
    EXPECT_FALSE(table.Unsubscribe(kClient + 9, "cds", sids[1]));
    EXPECT_TRUE(table.Unsubscribe(kClient, "cds", sids[1]));
    EXPECT_EQ(table.Renew(kClient, "cds", sids[1], 300, start).status, 412u);

    // Expiry: the one renewed lives on, the others go; a late renewal finds nothing.
    EXPECT_EQ(table.Renew(kClient, "cds", sids[0], 600, start + 250s).status, 200u);
    EXPECT_EQ(table.Expire(start + 301s), 2u); // the 60-second one went at the renewal
    ASSERT_EQ(table.All().size(), 1u);
    EXPECT_EQ(table.All()[0].sid, sids[0]);
    EXPECT_EQ(table.Renew(kClient, "cds", sids[2], 300, start + 301s).status, 412u);
    EXPECT_EQ(table.Expire(start + 851s), 1u);
}

// A subscriber of its own on loopback: a listening socket, and the NOTIFYs it reads.
struct Listener {
    Listener() : socket(platform::CreateTcpSocket()) {
        platform::Bind(socket.get(), {platform::kLoopbackAddress, 0});
        platform::Listen(socket.get(), 8);
        platform::LocalEndpoint(socket.get(), local);
    }
    // The next NOTIFY's head and body, answered with answer (nothing: left unanswered); empty when none comes.
    std::string Next(const std::string& answer = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n") {
        if (platform::WaitReadable(socket.get(), 5000) != platform::WaitResult::Ready)
            return {};
        platform::Socket connection = platform::Accept(socket.get());
        std::string text;
        char buffer[4096];
        while (platform::WaitReadable(connection.get(), 5000) == platform::WaitResult::Ready) {
            const platform::IoResult got = platform::Receive(connection.get(), buffer, sizeof buffer);
            if (got.status != platform::IoStatus::Ok)
                break;
            text.append(buffer, got.bytes);
            const std::size_t head = text.find("\r\n\r\n");
            std::smatch length;
            if (head != std::string::npos && std::regex_search(text, length, std::regex("CONTENT-LENGTH: (\\d+)")) &&
                text.size() >= head + 4 + std::stoul(length[1]))
                break;
        }
        if (!answer.empty())
            platform::Send(connection.get(), answer.data(), answer.size());
        return text;
    }
    std::string Callback() const { return "<http://127.0.0.1:" + std::to_string(local.port) + "/ev>"; }
    platform::Socket socket;
    platform::Endpoint local;
};

class EventingTest : public ::testing::Test {
protected:
    EventingTest()
        : directory(
              catalogue, "http://127.0.0.1:1", [](const char*) { return MpegVideoFormat{}; }, 7),
          eventing(directory, *AllowList::Parse("127.0.0.1,127.0.0.2"), nullptr, {}, {300ms, 200ms}) {}

    HttpRouteReply Ask(const char* method, std::map<std::string, std::string> headers,
                       std::uint32_t client = platform::kLoopbackAddress) {
        HttpRouteRequest request;
        request.method = method;
        request.path = "/upnp/event/ContentDirectory";
        request.client = client;
        request.header = [&headers](const char* name) {
            const auto found = headers.find(name);
            return found == headers.end() ? std::nullopt : std::optional<std::string_view>(found->second);
        };
        return eventing.Answer(request);
    }

    static std::string Header(const HttpRouteReply& reply, const std::string& name) {
        for (const auto& [key, value] : reply.headers)
            if (key == name)
                return value;
        return {};
    }

    CMediaInfoList catalogue;
    ContentDirectory directory;
    Eventing eventing;
};

TEST_F(EventingTest, ASubscriberHearsTheInitialValuesThenEachChangeModerated) {
    Listener tv;
    const HttpRouteReply subscribed = Ask("SUBSCRIBE", {{"NT", "upnp:event"}, {"CALLBACK", tv.Callback()}});
    ASSERT_EQ(subscribed.status, 200u) << subscribed.logNote;
    const std::string sid = Header(subscribed, "SID");
    EXPECT_EQ(Header(subscribed, "TIMEOUT"), "Second-1800");
    const std::string initial = tv.Next();
    EXPECT_NE(initial.find("NOTIFY /ev HTTP/1.1\r\n"), std::string::npos) << initial;
    EXPECT_NE(initial.find("SID: " + sid + "\r\nSEQ: 0\r\n"), std::string::npos) << initial;
    EXPECT_NE(initial.find("<SystemUpdateID>7</SystemUpdateID>"), std::string::npos) << initial;

    // Three changes at once: the first may go at once, the rest wait for the interval and go as one, with the last
    // value.
    for (int i = 0; i < 3; ++i) {
        directory.Changed();
        eventing.Changed();
    }
    std::string change;
    int events = 0;
    while (change.find("<SystemUpdateID>10</SystemUpdateID>") == std::string::npos && events < 3) {
        change = tv.Next();
        ASSERT_FALSE(change.empty()) << "no event after " << events;
        EXPECT_NE(change.find("SEQ: " + std::to_string(++events) + "\r\n"), std::string::npos) << change;
    }
    EXPECT_LE(events, 2);

    EXPECT_EQ(Ask("SUBSCRIBE", {{"SID", sid}, {"TIMEOUT", "Second-300"}}).status, 200u);
    EXPECT_EQ(Ask("UNSUBSCRIBE", {{"SID", sid}}).status, 200u);
    EXPECT_EQ(Ask("UNSUBSCRIBE", {{"SID", sid}}).status, 412u);
    EXPECT_EQ(eventing.Count(), 0u);
}

TEST_F(EventingTest, RefusedSubscribersAreNeverSentAnything) {
    Listener stranger; // on 127.0.0.1, asked for by another address
    const struct {
        const char* name;
        std::uint32_t client;
        std::string callback;
        unsigned status;
    } rows[] = {
        {"another host's callback", 0x7F000002, stranger.Callback(), 412},
        {"an address off the allow list", 0x7F000003, "<http://127.0.0.3:9/>", 403},
        {"a callback that is no URL", platform::kLoopbackAddress, "<gopher:x>", 412},
        {"port 0", platform::kLoopbackAddress, "<http://127.0.0.1:0/>", 412},
        {"a huge host", platform::kLoopbackAddress, "<http://" + std::string(70000, '1') + "/>", 412},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Ask("SUBSCRIBE", {{"NT", "upnp:event"}, {"CALLBACK", row.callback}}, row.client).status, row.status);
    }
    EXPECT_EQ(eventing.Count(), 0u) << "nothing kept, so nothing is ever sent";
}

TEST_F(EventingTest, AFloodFromOneAddressGetsAHandfulAndASilentSubscriberIsDropped) {
    Listener silent; // accepts (its backlog does) and never answers
    unsigned accepted = 0;
    for (int i = 0; i < 50; ++i)
        accepted += Ask("SUBSCRIBE", {{"NT", "upnp:event"}, {"CALLBACK", silent.Callback()}}).status == 200;
    EXPECT_EQ(accepted, SubscriptionLimits{}.perAddress);
    // Each silent subscriber goes once its NOTIFY's time is up; the worker goes on meanwhile.
    EXPECT_TRUE(PollUntil([&] { return eventing.Count() == 0; }, 30s)) << eventing.Count() << " still subscribed";
    Listener tv;
    ASSERT_EQ(Ask("SUBSCRIBE", {{"NT", "upnp:event"}, {"CALLBACK", tv.Callback()}}).status, 200u);
    EXPECT_NE(tv.Next().find("<SystemUpdateID>"), std::string::npos);
}

} // namespace
} // namespace tarnvale::test
