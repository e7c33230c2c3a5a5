// The headless server: started in the order that misses no change of the list file, stopped in the order that
// leaves no thread running on what is gone.
#include "server/HeadlessServer.h"

#include "core/ListFile.h"
#include "net/HostAddress.h"

#include <filesystem>

namespace tarnvale {
namespace {

std::string SkippedText(const std::string& list, std::size_t skipped) {
    return std::to_string(skipped) + " records of " + list + " have paths longer than 255 characters and are left out";
}

} // namespace

HeadlessServer::HeadlessServer(ServerOptions options, ServerLines lines)
    : options_(std::move(options)), lines_(std::move(lines)), follower_(options_.list, catalogue_), sides_(catalogue_) {
}

HeadlessServer::~HeadlessServer() {
    Stop();
}

bool HeadlessServer::Start(std::string& error) {
    if (!sockets_.Ready()) {
        error = "the system's sockets could not be started (WSAStartup failed)";
        return false;
    }

    std::string address, name;
    if (GetHostAddress(address, &name))
        Out(HostLine(name, address, options_.port));
    else
        Log("this host's name or address cannot be found; clients must be told its address some other way");

    // The folder is made when missing, so that it can be watched before the catalogue tool first saves there.
    std::error_code ignored;
    if (const std::filesystem::path folder = std::filesystem::path(options_.list).parent_path(); !folder.empty())
        std::filesystem::create_directories(folder, ignored);
    platform::SystemError watchError;
    const bool following = follower_.Watch(&watchError);
    ListFileLoad load;
    if (!follower_.Load(&load)) {
        error = FailedLoadText(options_.list, load) +
                ".\nNothing was changed; repair or move the file, or name another with --list.";
        return false;
    }
    if (load.recordsSkipped)
        Log(SkippedText(options_.list, load.recordsSkipped));
    const std::size_t count = catalogue_.Count();
    Out(std::to_string(count) + (count == 1 ? " program" : " programs") + " from " + options_.list +
        (load.fileMissing ? " (no such file yet; tarnvale add creates it)" : ""));
    if (!following)
        Log("changes to " + options_.list + " are not served until a restart: " + watchError.message);
    follower_.SetObserver([this](const ListFileChange& change) { LogChange(change); });
    follower_.Start();

    if (!sides_.Start(
            options_,
            ServerLines{[this](const std::string& line) { Out(line); }, [this](const std::string& line) { Log(line); }},
            error))
        return false;
    if (options_.sessions > 1)
        Out("Serving up to " + std::to_string(options_.sessions) + " clients at once on UDP port " +
            std::to_string(sides_.CommandPort()) + ". Press Ctrl+C to stop.");
    else
        Out("Serving on UDP port " + std::to_string(sides_.CommandPort()) + ". Press Ctrl+C to stop.");
    return true;
}

void HeadlessServer::Stop() {
    sides_.Stop();
    follower_.Stop();
}

void HeadlessServer::Out(const std::string& line) const {
    if (lines_.out)
        lines_.out(line);
}

void HeadlessServer::Log(const std::string& line) const {
    if (lines_.log)
        lines_.log("tarnvale-server: " + line);
}

// Refusals and a watch that ended are always told: the operator's edit is not being served. Reloads only with
// --verbose.
void HeadlessServer::LogChange(const ListFileChange& change) {
    if (change.kind == ListFileChange::Kind::Taken)
        sides_.CatalogueChanged();
    const std::string& list = options_.list;
    const std::string programs = std::to_string(change.programs) + (change.programs == 1 ? " program" : " programs");
    const ListFileLoad& load = change.load;
    if (change.kind == ListFileChange::Kind::Taken) {
        if (options_.verbose)
            Log("list file reloaded: " + programs + " from " + list + (load.fileMissing ? " (no such file)" : ""));
        if (load.recordsSkipped)
            Log(SkippedText(list, load.recordsSkipped));
    } else if (change.kind == ListFileChange::Kind::Refused) {
        Log(FailedLoadText(list, load) + "; still serving the " + programs + " loaded before");
    } else {
        Log("no longer following " + list + " (" + load.error + "); restart the server to serve later changes");
    }
}

} // namespace tarnvale
