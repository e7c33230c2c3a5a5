// ConversionSide: the headless server's converted streams, for the browsers, phones and TVs that cannot play the
// programs' files: a ConversionService on the server's options, answering on the HTTP side.
#pragma once

#include "core/MediaInfoList.h"
#include "server/HttpSide.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tarnvale {

struct ConversionOptions {
    // Conversions at once; 0: none at all (the files alone are served). Beyond it a request is answered 503.
    unsigned conversions = DefaultConversions();
    // Where the segments are kept; empty: the user's cache folder ($XDG_CACHE_HOME/tarnvale, ~/.cache/tarnvale).
    std::string cacheFolder;
    std::uint64_t cacheMiB = 4096;

    // As many as this machine keeps going in real time for SD programs: a run held ahead of its viewers takes
    // about a seventh of a core.
    static unsigned DefaultConversions();
};

class ConversionSide {
public:
    ConversionSide();
    // Ends every conversion.
    ~ConversionSide();
    ConversionSide(const ConversionSide&) = delete;
    ConversionSide& operator=(const ConversionSide&) = delete;

    // Converts the video programs of catalogue (which must outlive the side) on http, which serves by then. Where the
    // converter cannot run (not installed, or a build that starts no programs) the side says so on log and only the
    // files are served; false, with error, only for a cache that cannot be made.
    bool Start(const CMediaInfoList& catalogue, HttpSide& http, const ConversionOptions& options,
               std::function<void(const std::string&)> log, bool verbose, std::string& error);
    // Ends every conversion and answers the requests waiting for one at once, so that the HTTP side stops without
    // waiting for them.
    void Stop();
    // Where each program's converted stream for TVs is, while the side converts; nothing otherwise.
    std::function<std::string(const CMediaInfo&)> StreamPath() const;
    // That stream's protocolInfo.
    static std::string StreamProtocolInfo();

private:
    struct Service;
    std::unique_ptr<Service> service_;
};

} // namespace tarnvale
