// The observer pair: who hears a notification, in which order, and that neither side outlives its pointers.
#include "net/Notifier.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

class RecordingListener : public CListener {
public:
    RecordingListener(std::string name, std::vector<std::string>& heard) : name_(std::move(name)), heard_(heard) {}
    bool OnNotify(std::uint32_t code, void* data, std::uintptr_t extra) override {
        heard_.push_back(name_ + ":" + std::to_string(code) + ":" + std::to_string(extra));
        if (detachOnNotify)
            static_cast<CNotifier*>(data)->Detach(this);
        return CListener::OnNotify(code, data, extra);
    }
    bool OnMessage(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) override {
        return a + b + c + d == 10;
    }
    bool detachOnNotify = false;

private:
    std::string name_;
    std::vector<std::string>& heard_;
};

TEST(Notifier, TheMostRecentlyAttachedListenerHearsFirstAndEachListenerOnce) {
    std::vector<std::string> heard;
    CNotifier notifier;
    RecordingListener a("a", heard), b("b", heard), c("c", heard);
    notifier.Attach(&a);
    notifier.Attach(&b);
    notifier.Attach(&a); // already there
    notifier.Attach(nullptr);
    notifier.Attach(&c);
    EXPECT_TRUE(notifier.Notify(NOTIFY_DATAGRAM, nullptr, 12));
    EXPECT_EQ(heard, (std::vector<std::string>{"c:1987011633:12", "b:1987011633:12", "a:1987011633:12"}));
    EXPECT_EQ(a.Notifiers(), (std::vector<CNotifier*>{&notifier}));

    heard.clear();
    notifier.Detach(&b);
    notifier.Detach(&b); // no longer there: no error
    notifier.Detach(nullptr);
    notifier.Notify(7, nullptr, 0);
    EXPECT_EQ(heard, (std::vector<std::string>{"c:7:0", "a:7:0"}));
    EXPECT_TRUE(b.Notifiers().empty());
}

TEST(Notifier, DestroyingEitherSideDetachesItFromTheOther) {
    std::vector<std::string> heard;
    RecordingListener kept("kept", heard);
    auto notifier = std::make_unique<CNotifier>();
    auto other = std::make_unique<CNotifier>();
    {
        RecordingListener gone("gone", heard);
        notifier->Attach(&gone);
        notifier->Attach(&kept);
        other->Attach(&gone);
        EXPECT_EQ(gone.Notifiers().size(), 2u);
    }
    EXPECT_EQ(notifier->Listeners(), (std::vector<CListener*>{&kept}));
    EXPECT_TRUE(other->Listeners().empty());

    notifier.reset();
    EXPECT_EQ(heard, (std::vector<std::string>{"kept:0:0"})) << "NOTIFY_DETACH on destruction";
    EXPECT_TRUE(kept.Notifiers().empty());
}

TEST(Notifier, AListenerMayDetachItselfWhileBeingNotified) {
    std::vector<std::string> heard;
    CNotifier notifier;
    RecordingListener a("a", heard), b("b", heard);
    notifier.Attach(&a);
    notifier.Attach(&b);
    b.detachOnNotify = true;
    notifier.Notify(5, &notifier, 0);
    notifier.Notify(6, &notifier, 0);
    EXPECT_EQ(heard, (std::vector<std::string>{"b:5:0", "a:5:0", "a:6:0"}));
    EXPECT_TRUE(b.Notifiers().empty());
}

TEST(Notifier, MessagesReachOnMessageAndUnknownCodesAnswerFalse) {
    CListener base;
    std::uint32_t words[4] = {1, 2, 3, 4};
    EXPECT_FALSE(base.OnNotify(NOTIFY_MESSAGE, words, 0)) << "the base answers messages with false";
    EXPECT_FALSE(base.OnNotify(99, nullptr, 0));
    std::vector<std::string> heard;
    RecordingListener listener("l", heard);
    EXPECT_TRUE(listener.OnNotify(NOTIFY_MESSAGE, words, 0));
    words[3] = 5;
    EXPECT_FALSE(listener.OnNotify(NOTIFY_MESSAGE, words, 0));
}

} // namespace
} // namespace tarnvale
