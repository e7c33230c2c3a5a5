// Following the list file: the watch, the reload and the once-per-change telling.
#include "core/ListFileFollower.h"

namespace tarnvale {
namespace {

// Changes that follow each other this closely are one edit: the file is read once they have settled.
constexpr int kSettleMs = 100;

} // namespace

CListFileFollower::CListFileFollower(std::string path, CMediaInfoList& catalogue)
    : path_(std::move(path)), catalogue_(catalogue) {}

CListFileFollower::~CListFileFollower() {
    Stop();
}

bool CListFileFollower::Watch(platform::SystemError* error) {
    watching_ = watch_.Open(path_, error);
    return watching_;
}

bool CListFileFollower::Load(ListFileLoad* load) {
    ListFileLoad found;
    const bool whole = Take(Read(), found);
    if (load)
        *load = found;
    return whole;
}

void CListFileFollower::Start() {
    if (!watching_ || worker_.joinable())
        return;
    stopping_ = false;
    worker_ = std::thread(&CListFileFollower::Follow, this);
}

void CListFileFollower::Stop() {
    if (!worker_.joinable())
        return;
    stopping_ = true;
    watch_.Wake();
    worker_.join();
}

CListFileFollower::Reading CListFileFollower::Read() const {
    Reading reading;
    reading.result = ReadListFileBytes(path_, reading.bytes, &reading.found);
    return reading;
}

bool CListFileFollower::Take(Reading reading, ListFileLoad& load) {
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

void CListFileFollower::Follow() {
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
        while (!stopping_ && watch_.Wait(kSettleMs) == platform::FileWatch::Event::Changed) {
        }
        if (!stopping_)
            Reload();
    }
}

void CListFileFollower::Reload() {
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

void CListFileFollower::Tell(const ListFileChange& change) const {
    if (observer_)
        observer_(change);
}

} // namespace tarnvale
