// A bounded wait for what shows nowhere but in state the test can look at (another process's files, the handles a
// service's threads let go of): looked at every few milliseconds until it holds or the limit has passed.
#pragma once

#include <chrono>
#include <thread>

namespace tarnvale::test {

// Whether done() held within limit.
template <typename Done>
bool PollUntil(Done done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace tarnvale::test
