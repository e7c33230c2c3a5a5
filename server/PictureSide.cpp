// The picture route: PIDs only, answered from the cache with a validator, so that a page of a thousand pictures
// costs the server nothing on a second visit.
#include "server/PictureSide.h"

#include "core/ParseInteger.h"
#include "http/TextEscapes.h"
#include "platform/FileReader.h"

#include <chrono>
#include <optional>

namespace tarnvale {

namespace {

// A request waits this long for its picture; one that ends up longer gets none now and has one next time.
constexpr std::chrono::seconds kRequestWait{25};

HttpRouteReply NoPicture(const std::string& reason) {
    HttpRouteReply reply;
    reply.status = 404;
    reply.headers = {{"Content-Type", "text/plain; charset=utf-8"}, {"Cache-Control", "no-cache"}};
    reply.body = reason + "\n";
    reply.logNote = reason;
    return reply;
}

HttpRouteReply Answer(const CMediaInfoList& catalogue, PictureCache& cache, const HttpRouteRequest& request) {
    std::string_view name = request.path.substr(std::string_view(kPicturesPrefix).size());
    std::optional<std::int32_t> pid;
    if (name.ends_with(".jpg")) {
        name.remove_suffix(4);
        pid = ParseInteger<std::int32_t>(name);
        if (pid && std::to_string(*pid) != name)
            pid.reset();
    }
    const std::optional<CMediaInfo> program = pid ? catalogue.FindByPid(*pid) : std::nullopt;
    if (!program)
        return NoPicture("No program has the picture " + OneLine(request.path) + ".");
    const std::optional<Picture> picture = cache.Get(*program, kRequestWait);
    std::uint64_t size = 0;
    if (!picture || !platform::FileSize(picture->path, size))
        return NoPicture("PID " + std::to_string(*pid) + " has no picture.");
    HttpRouteReply reply;
    const std::string tag = "\"" + picture->key + "\"";
    // A changed file has a new key, so the picture is checked again after a while, not fetched again.
    reply.headers = {{"Content-Type", "image/jpeg"}, {"ETag", tag}, {"Cache-Control", "max-age=300"}};
    if (request.header("getcontentFeatures.dlna.org"))
        reply.headers.push_back(
            {"contentFeatures.dlna.org", "DLNA.ORG_PN=JPEG_TN;DLNA.ORG_FLAGS=00f00000000000000000000000000000"});
    if (const auto match = request.header("If-None-Match"); match && match->find(tag) != std::string_view::npos) {
        reply.status = 304;
        return reply;
    }
    reply.file = picture->path;
    reply.fileLength = size;
    return reply;
}

} // namespace

bool PictureSide::Start(HttpSide& http, const CMediaInfoList& catalogue, PictureSettings settings, std::string& error) {
    Stop();
    auto cache = std::make_shared<PictureCache>(std::move(settings));
    if (!cache->Start(error))
        return false;
    cache_ = cache;
    http_ = &http;
    catalogue_ = &catalogue;
    HttpRoute route;
    route.prefix = kPicturesPrefix;
    route.methods = {"GET", "HEAD"};
    route.answer = [&catalogue, cache](const HttpRouteRequest& request) { return Answer(catalogue, *cache, request); };
    http.SetRoute(std::move(route));
    http.SetPictureCheck([cache](const CMediaInfo& program) { return cache->Offers(program); });
    CatalogueChanged();
    return true;
}

void PictureSide::Stop() {
    if (http_) {
        http_->RemoveRoute(kPicturesPrefix);
        http_->SetPictureCheck(nullptr);
    }
    http_ = nullptr;
    // A request answering now still holds the cache, and its Stop wakes it.
    if (cache_)
        cache_->Stop();
    cache_.reset();
}

std::function<bool(const CMediaInfo&)> PictureSide::Check() const {
    if (!cache_)
        return {};
    return [cache = cache_](const CMediaInfo& program) { return cache->Offers(program); };
}

void PictureSide::CatalogueChanged() {
    if (cache_ && catalogue_)
        cache_->Ahead(catalogue_->Snapshot());
}

} // namespace tarnvale
