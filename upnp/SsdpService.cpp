// The SSDP thread: one socket for the group and the answers, a short table of answers due, and the next
// announcement. Waits are cut in short slices so that Stop never waits on the LAN.
#include "upnp/SsdpService.h"

#include "http/FileAnswer.h"

#include <algorithm>
#include <ctime>
#include <random>
#include <vector>

namespace tarnvale {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSliceMs = 100;
// Searches waiting for their answer: a flood fills these and no more. A source (address and port: a control point
// searches from one socket) has a few places at most, so that one host flooding leaves room for the TVs.
constexpr std::size_t kMaxPending = 128;
constexpr std::size_t kMaxPendingPerSource = 4;
// Datagrams read in one go before the answers due are looked at again.
constexpr int kMaxReadsPerWake = 64;
// Hops a multicast announcement may take: the LAN, and a router or two of a home's.
constexpr int kMulticastTtl = 2;

struct Pending {
    Clock::time_point due;
    platform::Endpoint to;
    std::string target;
};

} // namespace

SsdpService::~SsdpService() {
    Stop();
}

bool SsdpService::Start(SsdpDevice device, std::uint32_t interfaceAddress, std::function<void(const std::string&)> warn,
                        std::string& error) {
    Stop();
    device_ = std::move(device);
    warn_ = std::move(warn);
    platform::SystemError failure;
    platform::Socket socket = platform::CreateUdpSocket(&failure);
    if (!socket || !platform::SetReuseAddress(socket.get(), true, &failure) ||
        !platform::Bind(socket.get(), {platform::kAnyAddress, kSsdpPort}, &failure) ||
        !platform::JoinMulticastGroup(socket.get(), kSsdpGroup, interfaceAddress, &failure) ||
        !platform::SetMulticastSending(socket.get(), interfaceAddress, kMulticastTtl, &failure)) {
        error = "SSDP cannot use UDP port 1900: " + failure.message;
        return false;
    }
    platform::SetNonBlocking(socket.get(), true);
    socket_ = std::move(socket);
    stopping_ = false;
    Announce(true);
    thread_ = std::thread([this] { Run(); });
    return true;
}

void SsdpService::Stop() {
    if (!thread_.joinable())
        return;
    stopping_ = true;
    thread_.join();
    Announce(false);
    socket_.reset();
}

void SsdpService::Announce(bool alive) {
    const platform::Endpoint group{kSsdpGroup, kSsdpPort};
    // Each twice: a datagram lost on the LAN is a TV that does not see us until the next round.
    for (int copy = 0; copy < 2; ++copy) {
        for (const SsdpTarget& target : SsdpTargets(device_)) {
            const std::string text = alive ? SsdpAlive(device_, target) : SsdpByebye(target);
            platform::SendTo(socket_.get(), text.data(), text.size(), group);
        }
    }
}

void SsdpService::Run() {
    std::mt19937 random{std::random_device{}()};
    std::vector<Pending> pending;
    pending.reserve(kMaxPending);
    // Before half the age is gone, less a little at random, so that servers started together spread out.
    const auto announceEvery = std::chrono::seconds(std::max(device_.maxAge / 2 - 5, 5));
    auto nextAnnounce = Clock::now() + announceEvery;
    std::vector<std::uint8_t> buffer(kMaxSsdpDatagram);
    while (!stopping_) {
        auto now = Clock::now();
        auto wakeAt = std::min(nextAnnounce, now + std::chrono::milliseconds(kSliceMs));
        for (const Pending& answer : pending)
            wakeAt = std::min(wakeAt, answer.due);
        const auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now).count();
        if (waitMs > 0 &&
            platform::WaitReadable(socket_.get(), static_cast<int>(waitMs)) == platform::WaitResult::Failed)
            break;
        for (int reads = 0; reads < kMaxReadsPerWake; ++reads) {
            platform::Endpoint from;
            const platform::IoResult got = platform::ReceiveFrom(socket_.get(), buffer.data(), buffer.size(), &from);
            if (got.status == platform::IoStatus::WouldBlock || got.status == platform::IoStatus::Failed)
                break;
            if (got.status != platform::IoStatus::Ok || from.port == 0)
                continue; // a datagram longer than any search is none
            const std::optional<SsdpSearch> search =
                ReadSsdpSearch(std::span<const std::uint8_t>(buffer.data(), got.bytes), false);
            if (!search || MatchingTargets(device_, search->target).empty())
                continue;
            const auto fromSource =
                std::count_if(pending.begin(), pending.end(), [&](const Pending& p) { return p.to == from; });
            if (pending.size() >= kMaxPending || static_cast<std::size_t>(fromSource) >= kMaxPendingPerSource)
                continue;
            // Within MX, less a tenth for the way back; a search sent to us alone names no MX and is answered now.
            const int spreadMs = search->mx * 900;
            const int delayMs = spreadMs > 0 ? std::uniform_int_distribution<int>(0, spreadMs)(random) : 0;
            pending.push_back({Clock::now() + std::chrono::milliseconds(delayMs), from, search->target});
        }
        now = Clock::now();
        const std::string date = HttpDate(static_cast<std::int64_t>(std::time(nullptr)));
        for (const Pending& answer : pending) {
            if (answer.due > now)
                continue;
            for (const SsdpTarget& target : MatchingTargets(device_, answer.target)) {
                const std::string text = SsdpSearchAnswer(device_, target, date);
                platform::SendTo(socket_.get(), text.data(), text.size(), answer.to);
            }
        }
        std::erase_if(pending, [&](const Pending& answer) { return answer.due <= now; });
        if (now >= nextAnnounce) {
            Announce(true);
            nextAnnounce = now + announceEvery;
        }
    }
}

} // namespace tarnvale
