// Following the list file: the watch, the reload and the once-per-change telling.
#include "core/ListFileFollower.h"

#include <algorithm>
#include <chrono>

namespace tarnvale {
namespace {

using Clock = std::chrono::steady_clock;

// Changes that follow each other this closely are one edit: the file is read once they have settled...
constexpr auto kSettle = std::chrono::milliseconds(100);
// ...or this long after the first of them, whatever follows, so that a stream of saves (a watch in a burst, a
// script adding programs one by one) never keeps the catalogue from before its first save.
constexpr auto kLongestDelay = std::chrono::milliseconds(300);

} // namespace

ListFileFollower::ListFileFollower(std::string path, CMediaInfoList& catalogue)
    : path_(std::move(path)), catalogue_(catalogue) {}

ListFileFollower::~ListFileFollower() {
    Stop();
}

bool ListFileFollower::Watch(platform::SystemError* error) {
    watching_ = watch_.Open(path_, error);
    return watching_;
}

bool ListFileFollower::Load(ListFileLoad* load) {
    ListFileLoad found;
    const bool whole = Take(Read(), found);
    if (load)
        *load = found;
    return whole;
}

void ListFileFollower::Start() {
    if (!watching_ || worker_.joinable())
        return;
    stopping_ = false;
    worker_ = std::thread(&ListFileFollower::Follow, this);
}

void ListFileFollower::Stop() {
    if (!worker_.joinable())
        return;
    stopping_ = true;
    watch_.Wake();
    worker_.join();
}

ListFileFollower::Reading ListFileFollower::Read() const {
    Reading reading;
    reading.result = ReadListFileBytes(path_, reading.bytes, &reading.found);
    return reading;
}

bool ListFileFollower::Take(Reading reading, ListFileLoad& load) {
    std::vector<CMediaInfo> records;
    load = reading.found;
    const bool whole = reading.result == platform::ReadResult::NotFound ||
                       (reading.result == platform::ReadResult::Ok && ParseListFile(reading.bytes, records, &load));
    if (whole) {
        catalogue_.Assign(std::move(records));
        taken_ = std::move(reading);
        refused_.reset();
    } else {
        refused_ = std::move(reading);
    }
    return whole;
}

void ListFileFollower::Follow() {
    while (!stopping_) {
        platform::SystemError error;
        const platform::FileWatch::Event event = watch_.Wait(-1, &error);
        if (event == platform::FileWatch::Event::Failed) {
            ListFileChange ended{ListFileChange::Kind::WatchEnded, catalogue_.Count(), {}};
            ended.load.error = error.message;
            Tell(ended);
            return;
        }
        if (event != platform::FileWatch::Event::Changed)
            continue;
        const auto deadline = Clock::now() + kLongestDelay;
        while (!stopping_) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 ||
                watch_.Wait(static_cast<int>(std::min(left, kSettle).count())) != platform::FileWatch::Event::Changed)
                break;
        }
        if (!stopping_)
            Reload();
    }
}

void ListFileFollower::Reload() {
    Reading reading = Read();
    // A change is told once: contents already taken, or refused for the same reason, are passed over.
    if (reading == taken_)
        refused_.reset();
    if (reading == taken_ || reading == refused_)
        return;
    ListFileChange change;
    change.kind = Take(std::move(reading), change.load) ? ListFileChange::Kind::Taken : ListFileChange::Kind::Refused;
    change.programs = catalogue_.Count();
    Tell(change);
}

void ListFileFollower::Tell(const ListFileChange& change) const {
    if (observer_)
        observer_(change);
}

} // namespace tarnvale
