// PictureSide: the programs' pictures on the HTTP side, /pictures/PID.jpg, made on the first request and ahead of
// time when programs are added; the views are told which programs have one.
#pragma once

#include "core/MediaInfoList.h"
#include "picture/PictureCache.h"
#include "server/HttpSide.h"

#include <functional>
#include <memory>
#include <string>

namespace tarnvale {

inline constexpr const char* kPicturesPrefix = "/pictures/";

class PictureSide {
public:
    PictureSide() = default;
    ~PictureSide() { Stop(); }
    PictureSide(const PictureSide&) = delete;
    PictureSide& operator=(const PictureSide&) = delete;

    // Keeps the pictures in settings.folder and answers /pictures/ on http (started, and outliving this side) from
    // catalogue (which must outlive it too), then makes the pictures not made yet. False, with error saying why,
    // when the folder cannot be made.
    bool Start(HttpSide& http, const CMediaInfoList& catalogue, PictureSettings settings, std::string& error);
    // Answers them no more and ends a picture being made.
    void Stop();
    // The catalogue has changed: the pictures of programs added are made ahead of time.
    void CatalogueChanged();
    // Which programs have a picture offered (none while stopped); the check holds the cache, not this side.
    std::function<bool(const CMediaInfo&)> Check() const;
    // ffmpeg's runs so far.
    std::size_t Runs() const { return cache_ ? cache_->Runs() : 0; }

private:
    HttpSide* http_ = nullptr;
    const CMediaInfoList* catalogue_ = nullptr;
    // Shared with the route and the views' check: a request answering while the side stops keeps it.
    std::shared_ptr<PictureCache> cache_;
};

} // namespace tarnvale
