// Opening, finding and ending client sessions.
#include "net/SessionTable.h"

#include <algorithm>
#include <utility>

namespace tarnvale {

void SessionTable::SetStreamObserver(std::function<void(const StreamEvent&)> observer) {
    observer_ = std::move(observer);
    shared_.sender.SetObserver(observer_);
}

ClientSession* SessionTable::Find(std::uint32_t address) {
    if (Shared())
        return &Heard(shared_);
    for (const std::unique_ptr<ClientSession>& session : own_)
        if (session->client == address)
            return &Heard(*session);
    return nullptr;
}

ClientSession& SessionTable::Open(std::uint32_t address, std::optional<std::uint32_t>* ended) {
    if (ClientSession* session = Find(address))
        return *session;
    if (own_.size() >= limit_) {
        const auto idle = LongestIdle();
        if (ended)
            *ended = (*idle)->client;
        End(**idle);
    }
    auto session = std::make_unique<ClientSession>();
    session->client = address;
    if (observer_)
        session->sender.SetObserver([observer = observer_, address](const StreamEvent& event) {
            StreamEvent stamped = event;
            stamped.client = address;
            observer(stamped);
        });
    own_.push_back(std::move(session));
    return Heard(*own_.back());
}

void SessionTable::End(ClientSession& session) {
    // Closing first wakes a send that waits on a client which stopped reading.
    session.sender.Close();
    session.sender.Stop();
    std::erase_if(own_, [&session](const std::unique_ptr<ClientSession>& own) { return own.get() == &session; });
}

void SessionTable::EndAll() {
    shared_.sender.Close();
    for (const std::unique_ptr<ClientSession>& session : own_)
        session->sender.Close();
    shared_.sender.Stop();
    for (const std::unique_ptr<ClientSession>& session : own_)
        session->sender.Stop();
    own_.clear();
}

ClientSession& SessionTable::Heard(ClientSession& session) {
    session.lastHeard = ++commands_;
    return session;
}

std::vector<std::unique_ptr<ClientSession>>::iterator SessionTable::LongestIdle() {
    const auto rank = [](const std::unique_ptr<ClientSession>& session) {
        const bool sending = session->sender.Running() && !session->sender.Paused();
        return std::pair(sending, session->lastHeard);
    };
    return std::min_element(own_.begin(), own_.end(),
                            [&rank](const auto& a, const auto& b) { return rank(a) < rank(b); });
}

} // namespace tarnvale
