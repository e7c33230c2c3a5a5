// ConversionService: the server's conversions. One run of the converter per stretch of a program, shared by every
// viewer of it; each run is a process of its own that makes the following segments into the cache, held while it
// is far ahead of its viewers, stopped when nobody asks anything of it, ended when it hangs. A file that crashes or
// hangs the converter ends only its own run, and the server's memory does not grow with conversions.
#pragma once

#include "convert/ConversionPlan.h"
#include "convert/SegmentCache.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarnvale {

struct ConversionSettings {
    std::string converter = "ffmpeg";
    std::string prober = "ffprobe";
    std::string cacheFolder;
    std::uint64_t cacheBytes = std::uint64_t{2048} << 20;
    // Free room on the cache's disk below which no run starts: a full disk is told, not met halfway.
    std::uint64_t roomForRun = std::uint64_t{64} << 20;
    // Runs at once; a request that needs another is refused, to be asked again later.
    unsigned maxRuns = 8;
    // A run nobody asked anything of for this long is stopped.
    std::chrono::milliseconds idle{20000};
    // A run that finishes no segment for this long (a decoder that hangs) is ended. Generous: at its lower
    // priority on a busy machine a sound run may take many times a segment's length for one.
    std::chrono::milliseconds stall{60000};
    // The longest a request waits for its segment: well inside the HTTP side's 30 s for a connection that does
    // nothing, so that the answer still has time to be sent.
    std::chrono::milliseconds wait{20000};
    // A run is held once it is this many segments ahead of the furthest one asked of it (a player's buffer is
    // about 30 s), and goes on when asked further.
    std::uint32_t lead = 10;
    // A request this many segments or fewer beyond a run's next segment waits for that run rather than starting
    // one of its own.
    std::uint32_t reach = 3;
    int lowerPriority = 10;
    // Problems, always; with verbose each run's start, seek and end with its speed.
    std::function<void(const std::string&)> log;
    bool verbose = false;
};

// A program's file as the conversions name it.
struct ConversionSource {
    std::int32_t pid = 0;
    std::string path;
    std::string identity; // FileIdentity of the file as it is now
};

struct SegmentResult {
    enum class Kind { Ready, PastEnd, Busy, Failed } kind = Kind::Failed;
    std::string file;   // Ready: the segment's file in the cache
    std::string reason; // Busy and Failed: why, in words for a person
};

class ConversionService {
public:
    explicit ConversionService(ConversionSettings settings);
    // Ends every run.
    ~ConversionService();
    ConversionService(const ConversionService&) = delete;
    ConversionService& operator=(const ConversionService&) = delete;

    // Opens the cache; false, with error saying why, when it cannot be.
    bool Start(std::string& error);
    // Ends every run and waits for their threads; requests waiting are answered Failed.
    void Stop();

    // The file's length and streams, asked of the prober once per identity; nothing, with error, for a file it
    // cannot read (damaged, missing, no video).
    std::optional<SourceStreams> Probe(const ConversionSource& source, std::string& error);
    // Segment k of source, from the cache or from a run that makes it, waiting for it within the bound.
    SegmentResult Segment(const ConversionSource& source, std::uint32_t k);

    // Runs going now (held ones included).
    unsigned Running() const;
    const ConversionSettings& Settings() const { return settings_; }

private:
    struct Run;
    void Follow(Run& run);
    void EndRun(Run& run, const std::string& reason, bool failed);
    std::shared_ptr<Run> StartRun(const ConversionSource& source, const SourceStreams& streams, std::uint32_t k,
                                  std::string& error);
    void ReapEnded();
    void Log(const std::string& line) const;

    const ConversionSettings settings_;
    SegmentCache cache_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::vector<std::shared_ptr<Run>> runs_;
    std::map<std::string, SourceStreams> probed_;
    // Where the converter found a file's end, when that came before the prober's length said (a damaged or cut
    // file): segments from there on are past the end.
    std::map<std::string, std::uint32_t> endsAt_;
};

} // namespace tarnvale
