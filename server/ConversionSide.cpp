// The headless server's converted streams: the service, its route and the streams named in the catalogue's views.
#include "server/ConversionSide.h"

#include "convert/ConversionService.h"
#include "convert/ConvertedAnswers.h"
#include "platform/Process.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace tarnvale {
namespace {

std::string UserCacheFolder() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        return std::string(xdg) + "/tarnvale";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.cache/tarnvale";
    return "tarnvale-cache";
}

// Whether the converter runs here at all, with why not.
bool ConverterRuns(const std::string& converter, std::string& why) {
    platform::ProcessStart start;
    start.arguments = {converter, "-hide_banner", "-loglevel", "error", "-version"};
    platform::SystemError error;
    platform::Process process = platform::Process::Start(start, error);
    if (!process) {
        why = error.message;
        return false;
    }
    platform::ProcessEnd end;
    if (!process.Wait(std::chrono::seconds(10), &end) || !end.Succeeded()) {
        why = converter + " -version failed";
        return false;
    }
    return true;
}

} // namespace

unsigned ConversionOptions::DefaultConversions() {
    return std::max(8u, 4 * std::max(1u, std::thread::hardware_concurrency()));
}

struct ConversionSide::Service {
    explicit Service(ConversionSettings settings) : conversions(std::move(settings)) {}
    ConversionService conversions;
    HttpSide* http = nullptr;
};

ConversionSide::ConversionSide() = default;

ConversionSide::~ConversionSide() {
    Stop();
}

bool ConversionSide::Start(const CMediaInfoList& catalogue, HttpSide& http, const ConversionOptions& options,
                           std::function<void(const std::string&)> log, bool verbose, std::string& error) {
    Stop();
    service_.reset();
    if (options.conversions == 0)
        return true;
    ConversionSettings settings;
    settings.cacheFolder = options.cacheFolder.empty() ? UserCacheFolder() : options.cacheFolder;
    settings.cacheBytes = options.cacheMiB << 20;
    settings.maxRuns = options.conversions;
    settings.log = log;
    settings.verbose = verbose;
    std::string why;
    if (!ConverterRuns(settings.converter, why)) {
        if (log)
            log("video programs are served as files only (no converted streams): " + why);
        return true;
    }
    auto service = std::make_unique<Service>(std::move(settings));
    if (!service->conversions.Start(error))
        return false;
    service->http = &http;
    http.SetRoute(ConvertedRoute(service->conversions, catalogue));
    http.SetRoute(PlayerScriptRoute());
    http.SetConvertedStreams(&ConvertedPlaylistPath);
    service_ = std::move(service);
    return true;
}

std::function<std::string(const CMediaInfo&)> ConversionSide::StreamPath() const {
    if (!service_ || !service_->http)
        return {};
    return &ConvertedStreamPath;
}

std::string ConversionSide::StreamProtocolInfo() {
    return std::string("http-get:*:video/mpeg:") + kConvertedFeatures;
}

void ConversionSide::Stop() {
    if (!service_)
        return;
    service_->http->RemoveRoute(kConvertedPrefix);
    service_->http->RemoveRoute(kPlayerScriptPath);
    service_->http->SetConvertedStreams(nullptr);
    // A request the HTTP side is answering now still reaches the service, so it stays (stopped: such a request is
    // answered at once) until the side goes or starts again.
    service_->conversions.Stop();
}

} // namespace tarnvale
