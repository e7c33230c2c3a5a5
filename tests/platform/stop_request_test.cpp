// The stop request: a signal sent to the process is taken by Wait and named; Release ends a wait without a stop,
// so that a thread waiting for the operator can end with the program.
#include "platform/Console.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <unistd.h>

namespace tarnvale {
namespace {

TEST(StopRequest, NamesTheSignalOrEndsEmptyWhenReleased) {
    for (const auto& [name, signal] : {std::pair{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}}) {
        SCOPED_TRACE(name);
        platform::StopRequest stop;
        ASSERT_EQ(::kill(::getpid(), signal), 0);
        EXPECT_EQ(stop.Wait(), name);
    }
    platform::StopRequest stop;
    std::thread releaser([&] { stop.Release(); });
    EXPECT_EQ(stop.Wait(), "");
    releaser.join();
}

} // namespace
} // namespace tarnvale
