// The picture cache's files, its queue and its worker.
#include "picture/PictureCache.h"

#include "platform/Process.h"

#include "platform/File.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tarnvale {

namespace {

// FNV-1a, 64 bits: a name, not a secret; the inputs are this machine's own paths and numbers.
void Mix(std::uint64_t& hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
}

} // namespace

std::string PictureKey(const std::string& path) {
    const platform::FileStatus file = platform::LookAtFile(path);
    if (file.state != platform::FileStatus::State::Found || file.isFolder)
        return {};
    std::uint64_t hash = 0xcbf29ce484222325ull;
    Mix(hash, path.data(), path.size());
    Mix(hash, &file.size, sizeof file.size);
    Mix(hash, &file.modified, sizeof file.modified);
    Mix(hash, &file.volume, sizeof file.volume);
    Mix(hash, &file.file, sizeof file.file);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string DefaultPictureFolder() {
    for (const char* name : {"XDG_CACHE_HOME", "LOCALAPPDATA"}) {
        if (const char* value = std::getenv(name); value && *value)
            return (std::filesystem::path(value) / "tarnvale" / "pictures").string();
    }
    const char* home = std::getenv("HOME");
    return (std::filesystem::path(home && *home ? home : ".") / ".cache" / "tarnvale" / "pictures").string();
}

PictureCache::PictureCache(PictureSettings settings) : settings_(std::move(settings)) {}

PictureCache::~PictureCache() {
    Stop();
}

bool PictureCache::Start(std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(settings_.folder, made);
    if (made || !std::filesystem::is_directory(settings_.folder, made)) {
        error = "cannot make the picture folder " + settings_.folder + (made ? ": " + made.message() : "");
        return false;
    }
    // A maker that cannot be started at all (none installed, or a build that starts no programs) is said once, now,
    // so that no program is offered a picture before the first try has found that out.
    platform::ProcessStart probe;
    probe.arguments = {settings_.maker.ffmpeg, "-hide_banner", "-loglevel", "error", "-version"};
    platform::SystemError startError;
    platform::Process maker = platform::Process::Start(probe, startError);
    platform::ProcessEnd end;
    if (!maker || !maker.Wait(std::chrono::seconds(10), &end) || !end.Succeeded()) {
        saidNotStarted_ = true;
        if (settings_.log)
            settings_.log("no pictures are made: " +
                          (maker ? settings_.maker.ffmpeg + " -version failed" : startError.message));
    }
    stop_ = false;
    worker_ = std::thread([this] { Work(); });
    return true;
}

void PictureCache::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
        queued_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

PictureCache::Known PictureCache::Look(const std::string& key) const {
    const std::filesystem::path folder(settings_.folder);
    std::error_code error;
    if (std::filesystem::exists(folder / (key + ".jpg"), error))
        return Known::Made;
    if (std::filesystem::exists(folder / (key + ".none"), error))
        return Known::None;
    return Known::Unknown;
}

bool PictureCache::Offers(const CMediaInfo& program) const {
    if (!MayHavePicture(program.m_nType))
        return false;
    const std::string key = PictureKey(program.m_szFile);
    if (key.empty())
        return false;
    // While the maker cannot be started, only pictures made before are offered.
    return saidNotStarted_ ? Look(key) == Known::Made : Look(key) != Known::None;
}

std::optional<Picture> PictureCache::Get(const CMediaInfo& program, std::chrono::milliseconds wait) {
    if (!MayHavePicture(program.m_nType))
        return std::nullopt;
    const std::string key = PictureKey(program.m_szFile);
    if (key.empty())
        return std::nullopt;
    const Picture picture{(std::filesystem::path(settings_.folder) / (key + ".jpg")).string(), key};
    std::unique_lock lock(mutex_);
    const auto settled = [&] {
        return stop_ || Look(key) != Known::Unknown || (notStarted_.count(key) != 0 && queued_.count(key) == 0);
    };
    if (settled())
        return Look(key) == Known::Made ? std::optional<Picture>(picture) : std::nullopt;
    // First in line: a person is waiting for this one.
    std::erase_if(queue_, [&](const Job& job) { return job.key == key; });
    queue_.push_front({program.m_szFile, program.m_nType, key});
    queued_.insert(key);
    notStarted_.erase(key);
    changed_.notify_all();
    changed_.wait_for(lock, wait, settled);
    return Look(key) == Known::Made ? std::optional<Picture>(picture) : std::nullopt;
}

void PictureCache::Ahead(const std::vector<CMediaInfo>& programs) {
    std::vector<Job> jobs;
    for (const CMediaInfo& program : programs) {
        if (!MayHavePicture(program.m_nType))
            continue;
        std::string key = PictureKey(program.m_szFile);
        if (!key.empty() && Look(key) == Known::Unknown)
            jobs.push_back({program.m_szFile, program.m_nType, std::move(key)});
    }
    std::lock_guard lock(mutex_);
    for (Job& job : jobs) {
        if (notStarted_.count(job.key) == 0 && queued_.insert(job.key).second)
            queue_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void PictureCache::Work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        // Another request, or another server on the same folder, may have made it since it was queued.
        if (Look(job.key) == Known::Unknown)
            Make(job);
        {
            std::lock_guard lock(mutex_);
            queued_.erase(job.key);
        }
        changed_.notify_all();
    }
}

void PictureCache::Make(const Job& job) {
    const std::filesystem::path folder(settings_.folder);
    const PictureAttempt attempt =
        MakePicture(settings_.maker, job.path, job.type, (folder / (job.key + ".jpg")).string(),
                    (folder / (job.key + ".log")).string(), stop_);
    runs_ += attempt.runs;
    if (attempt.result == PictureMade::None) {
        // Remembered on disk, so that a damaged file costs one try, not one per request or per start.
        std::vector<std::uint8_t> reason(attempt.reason.begin(), attempt.reason.end());
        platform::ReplaceFileContents((folder / (job.key + ".none")).string(), reason);
    } else if (attempt.result == PictureMade::NotStarted) {
        std::lock_guard lock(mutex_);
        notStarted_.insert(job.key);
    }
    if (!settings_.log)
        return;
    if (attempt.result == PictureMade::None)
        settings_.log("no picture of " + job.path + ": " + attempt.reason);
    // Once, not once per program: without ffmpeg every program would say the same.
    if (attempt.result == PictureMade::NotStarted && !saidNotStarted_.exchange(true))
        settings_.log("no pictures are made: " + attempt.reason);
    if (attempt.result == PictureMade::Made)
        saidNotStarted_ = false;
}

} // namespace tarnvale
