// The conversion runs: each a converter process and a thread that follows its list of finished segments, hands
// them to the cache and decides, between lines, whether the run is to be held, stopped or ended.
#include "convert/ConversionService.h"

#include "platform/Process.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace tarnvale {
namespace {

using Clock = std::chrono::steady_clock;

// How often a run's thread looks at its run when the converter says nothing.
constexpr std::chrono::milliseconds kLook{200};
// How long an ended converter gets to be reaped before it is killed: it has closed its output already.
constexpr std::chrono::seconds kReapBound{5};
constexpr std::chrono::seconds kProbeBound{15};

std::string ProgramTime(std::uint64_t ms) {
    char text[32];
    const std::uint64_t seconds = ms / 1000;
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60));
    return text;
}

std::string Duration(std::chrono::milliseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(time.count()) / 1000);
    return text;
}

// The converter's last words, for a run that failed.
std::string LastLine(const std::string& path) {
    std::ifstream in(path);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty())
            last = line;
    return last.size() > 300 ? last.substr(0, 300) : last;
}

std::string EndText(const platform::ProcessEnd& end) {
    if (end.exited)
        return "the converter exited with status " + std::to_string(end.code);
    if (end.signal)
        return "the converter was ended by signal " + std::to_string(end.signal);
    return "the converter ended";
}

} // namespace

struct ConversionService::Run {
    ConversionSource source;
    std::uint32_t first = 0;
    std::uint32_t count = 0; // segments of the program
    std::string folder;
    platform::Process process;
    std::thread thread;
    // Under the service's mutex:
    std::uint32_t next = 0;  // the segment it makes now
    std::uint32_t asked = 0; // the furthest segment asked of it
    unsigned waiting = 0;    // requests waiting for it
    Clock::time_point started, lastAsked, lastProgress;
    bool held = false;
    bool stop = false; // the service wants it gone
    std::string stopReason;
    bool ended = false;
    std::string endReason; // when it ended before the program's end
};

ConversionService::ConversionService(ConversionSettings settings) : settings_(std::move(settings)) {}

ConversionService::~ConversionService() {
    Stop();
}

bool ConversionService::Start(std::string& error) {
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    return cache_.Open(settings_.cacheFolder, settings_.cacheBytes, settings_.roomForRun, error);
}

void ConversionService::Stop() {
    std::vector<std::shared_ptr<Run>> runs;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (const auto& run : runs_) {
            run->stop = true;
            run->stopReason = "the server stops";
            run->process.Kill();
        }
        runs.swap(runs_);
    }
    changed_.notify_all();
    for (const auto& run : runs)
        if (run->thread.joinable())
            run->thread.join();
}

unsigned ConversionService::Running() const {
    std::lock_guard lock(mutex_);
    return static_cast<unsigned>(
        std::count_if(runs_.begin(), runs_.end(), [](const auto& run) { return !run->ended; }));
}

void ConversionService::Log(const std::string& line) const {
    if (settings_.log)
        settings_.log(line);
}

std::optional<SourceStreams> ConversionService::Probe(const ConversionSource& source, std::string& error) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            error = "the server stops";
            return std::nullopt;
        }
        if (const auto found = probed_.find(source.identity); found != probed_.end())
            return found->second;
    }
    platform::ProcessStart start;
    start.arguments = ProbeArguments(settings_.prober, source.path);
    start.output = platform::ProcessStart::Output::Pipe;
    start.lowerPriority = settings_.lowerPriority;
    platform::SystemError startError;
    platform::Process prober = platform::Process::Start(start, startError);
    if (!prober) {
        error = startError.message;
        return std::nullopt;
    }
    // A file that hangs the prober is given up on within the bound, like one it cannot read.
    std::string report;
    const Clock::time_point deadline = Clock::now() + kProbeBound;
    char room[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const long got = left.count() > 0 ? prober.ReadOutput(room, sizeof room, left) : platform::kProcessOutputLater;
        if (got > 0 && report.size() < 65536) {
            report.append(room, static_cast<std::size_t>(got));
            continue;
        }
        if (got == platform::kProcessOutputLater) {
            error = "the prober took longer than " + std::to_string(kProbeBound.count()) + " s";
            return std::nullopt;
        }
        if (got <= 0)
            break;
    }
    platform::ProcessEnd end;
    if (!prober.Wait(kReapBound, &end) || !end.Succeeded()) {
        error = "the prober cannot read the file (" + EndText(end) + ")";
        return std::nullopt;
    }
    std::optional<SourceStreams> streams = ReadProbeReport(report);
    if (!streams) {
        error = "the prober finds no video or no length in the file";
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    probed_[source.identity] = *streams;
    return streams;
}

SegmentResult ConversionService::Segment(const ConversionSource& source, std::uint32_t k) {
    std::string error;
    const std::optional<SourceStreams> streams = Probe(source, error);
    if (!streams)
        return {
            SegmentResult::Kind::Failed, {}, "PID " + std::to_string(source.pid) + " cannot be converted: " + error};
    const std::uint32_t count = SegmentCount(streams->durationMs);
    if (k >= count)
        return {SegmentResult::Kind::PastEnd, {}, "the program has " + std::to_string(count) + " segments"};
    if (std::optional<std::string> file = cache_.Find(source.identity, k))
        return {SegmentResult::Kind::Ready, std::move(*file), {}};

    std::unique_lock lock(mutex_);
    if (stopping_)
        return {SegmentResult::Kind::Failed, {}, "the server stops"};
    if (const auto end = endsAt_.find(source.identity); end != endsAt_.end() && k >= end->second)
        return {
            SegmentResult::Kind::PastEnd, {}, "the program converts only up to segment " + std::to_string(end->second)};
    ReapEnded();
    std::shared_ptr<Run> run;
    for (const auto& candidate : runs_) {
        if (candidate->ended || candidate->stop || candidate->source.identity != source.identity)
            continue;
        if (candidate->first <= k && k <= candidate->next + settings_.reach)
            run = candidate;
    }
    if (!run) {
        std::vector<std::shared_ptr<Run>> going;
        for (const auto& candidate : runs_)
            if (!candidate->ended && !candidate->stop)
                going.push_back(candidate);
        if (going.size() >= settings_.maxRuns) {
            // A viewer who seeks takes the place of the run of the same program that nobody waits for.
            const auto same = std::find_if(going.begin(), going.end(), [&](const auto& candidate) {
                return candidate->source.identity == source.identity && candidate->waiting == 0;
            });
            if (same == going.end()) {
                Log("conversion refused: PID " + std::to_string(source.pid) + " segment " + std::to_string(k) + ": " +
                    std::to_string(settings_.maxRuns) + " conversions are running already");
                return {SegmentResult::Kind::Busy,
                        {},
                        std::to_string(settings_.maxRuns) + " programs are being converted already"};
            }
            (*same)->stop = true;
            (*same)->stopReason = "a viewer went elsewhere in the program";
            (*same)->process.Kill();
        }
        run = StartRun(source, *streams, k, error);
        if (!run) {
            Log("conversion of PID " + std::to_string(source.pid) + " cannot start: " + error);
            return {SegmentResult::Kind::Failed, {}, error};
        }
        run->count = count;
    }
    run->lastAsked = Clock::now();
    run->asked = std::max(run->asked, k);
    ++run->waiting;
    const Clock::time_point deadline = Clock::now() + settings_.wait;
    std::optional<std::string> file;
    changed_.wait_until(lock, deadline, [&] {
        file = cache_.Find(source.identity, k);
        return file || run->ended || run->stop || stopping_;
    });
    --run->waiting;
    run->lastAsked = Clock::now();
    if (file)
        return {SegmentResult::Kind::Ready, std::move(*file), {}};
    if (stopping_)
        return {SegmentResult::Kind::Failed, {}, "the server stops"};
    if (const auto end = endsAt_.find(source.identity); end != endsAt_.end() && k >= end->second)
        return {
            SegmentResult::Kind::PastEnd, {}, "the program converts only up to segment " + std::to_string(end->second)};
    if (run->ended || run->stop)
        return {SegmentResult::Kind::Failed,
                {},
                "the conversion of PID " + std::to_string(source.pid) + " ended before segment " + std::to_string(k) +
                    ": " + (run->endReason.empty() ? run->stopReason : run->endReason)};
    return {SegmentResult::Kind::Failed,
            {},
            "segment " + std::to_string(k) + " of PID " + std::to_string(source.pid) + " was not made within " +
                Duration(settings_.wait)};
}

// Under the mutex.
std::shared_ptr<ConversionService::Run> ConversionService::StartRun(const ConversionSource& source,
                                                                    const SourceStreams& streams, std::uint32_t k,
                                                                    std::string& error) {
    auto run = std::make_shared<Run>();
    run->source = source;
    run->first = run->next = run->asked = k;
    run->folder = cache_.NewRunFolder(source.identity, error);
    if (run->folder.empty())
        return nullptr;
    platform::ProcessStart start;
    start.arguments = ConverterArguments(settings_.converter, source.path, streams, k, run->folder);
    start.output = platform::ProcessStart::Output::Pipe;
    start.errorFile = run->folder + "/converter.log";
    start.lowerPriority = settings_.lowerPriority;
    platform::SystemError startError;
    run->process = platform::Process::Start(start, startError);
    if (!run->process) {
        cache_.RemoveRunFolder(run->folder);
        error = startError.message;
        return nullptr;
    }
    run->started = run->lastAsked = run->lastProgress = Clock::now();
    // A run from anywhere but the start is a viewer's seek (or a player resuming where it stopped).
    const bool seek = k > 0;
    if (settings_.verbose)
        Log(std::string(seek ? "conversion seek: PID " : "conversion started: PID ") + std::to_string(source.pid) +
            " from " + ProgramTime(std::uint64_t{k} * kSegmentMilliseconds) + " (segment " + std::to_string(k) + ") " +
            source.path);
    runs_.push_back(run);
    run->thread = std::thread([this, raw = run.get()] { Follow(*raw); });
    return run;
}

// Under the mutex: the threads of ended runs are done or about to be, so joining them is short.
void ConversionService::ReapEnded() {
    for (auto it = runs_.begin(); it != runs_.end();) {
        if ((*it)->ended) {
            if ((*it)->thread.joinable())
                (*it)->thread.join();
            it = runs_.erase(it);
        } else {
            ++it;
        }
    }
}

void ConversionService::Follow(Run& run) {
    std::string pending;
    char room[1024];
    for (;;) {
        const long got = run.process.ReadOutput(room, sizeof room, kLook);
        if (got == 0 || got == -1)
            break;
        if (got > 0)
            pending.append(room, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            const std::optional<std::uint32_t> k = FinishedSegment(std::string_view(pending).substr(0, end));
            if (!k)
                continue;
            std::string error;
            if (!cache_.Keep(run.source.identity, *k, run.folder, error))
                Log("conversion of PID " + std::to_string(run.source.pid) + ": " + error);
            const bool madeAlready = cache_.Find(run.source.identity, *k + 1).has_value();
            std::lock_guard lock(mutex_);
            run.next = std::max(run.next, *k + 1);
            run.lastProgress = Clock::now();
            // It has caught up with what another run made before: nothing is converted twice.
            if (madeAlready && !run.stop) {
                run.stop = true;
                run.stopReason = "the following segments were made before";
            }
        }
        changed_.notify_all();

        std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        if (run.stop)
            break;
        if (run.waiting == 0 && now - run.lastAsked > settings_.idle) {
            run.stop = true;
            run.stopReason = "nobody asked for " + Duration(settings_.idle);
            break;
        }
        // Held far ahead of its viewers; the time held is no sign of a hang.
        const bool ahead = run.next > run.asked + settings_.lead;
        if (ahead != run.held) {
            run.held = ahead;
            if (ahead)
                run.process.Pause();
            else
                run.process.Resume();
        }
        if (run.held)
            run.lastProgress = now;
        if (now - run.lastProgress > settings_.stall) {
            run.endReason = "no segment was finished for " + Duration(settings_.stall) + " (the converter hangs)";
            break;
        }
    }
    run.process.Kill();
    platform::ProcessEnd end;
    run.process.Wait(kReapBound, &end);
    std::string reason;
    bool failed = false;
    {
        std::lock_guard lock(mutex_);
        if (run.stop) {
            reason = "stopped: " + run.stopReason;
        } else if (!run.endReason.empty()) {
            reason = run.endReason;
            failed = true;
        } else if (end.Succeeded()) {
            reason = "finished";
            if (run.next < run.count)
                endsAt_[run.source.identity] = run.next;
        } else {
            const std::string last = LastLine(run.folder + "/converter.log");
            reason = EndText(end) + (last.empty() ? "" : ": " + last);
            run.endReason = reason;
            failed = true;
        }
    }
    EndRun(run, reason, failed);
}

void ConversionService::EndRun(Run& run, const std::string& reason, bool failed) {
    cache_.RemoveRunFolder(run.folder);
    std::uint32_t made;
    double seconds;
    {
        std::lock_guard lock(mutex_);
        made = run.next - run.first;
        seconds = std::chrono::duration<double>(Clock::now() - run.started).count();
        run.ended = true;
    }
    changed_.notify_all();
    if (!settings_.verbose && !failed)
        return;
    const double programSeconds = made * (kSegmentMilliseconds / 1000.0);
    char speed[96];
    std::snprintf(speed, sizeof speed, "%.1f s of program in %.1f s, %.1fx real time", programSeconds, seconds,
                  seconds > 0 ? programSeconds / seconds : 0.0);
    Log("conversion ended: PID " + std::to_string(run.source.pid) + ", segments " + std::to_string(run.first) + " to " +
        std::to_string(run.first + made) + " (" + speed + "): " + reason);
}

} // namespace tarnvale
