// Requests of the HTTP side: routing by path, the program files by PID (one open descriptor per response, so a file
// replaced while it is sent goes on from the file that was opened), and the catalogue's views.
#include "http/HttpRequestHandler.h"

#include "core/ParseInteger.h"
#include "http/CatalogueViews.h"
#include "http/DlnaFeatures.h"
#include "http/FileAnswer.h"
#include "http/HeaderText.h"
#include "http/HostCheck.h"
#include "http/HttpService.h"
#include "http/SubtitleRoute.h"
#include "http/TextEscapes.h"
#include "net/HostAddress.h"
#include "platform/SentFile.h"
#include "platform/Socket.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

namespace {

constexpr std::string_view kProgramsPrefix = "/programs/";

// What is kept of a request between the library's calls: the body a route takes, up to its limit.
struct RequestState {
    std::shared_ptr<const std::vector<HttpRoute>> routes;
    const HttpRoute* route = nullptr; // in routes, when one matched the path
    std::string body;
    bool bodyTooLong = false;
};

const HttpRoute* MatchingRoute(const std::vector<HttpRoute>* routes, std::string_view path) {
    if (!routes)
        return nullptr;
    for (const HttpRoute& route : *routes)
        if (path.starts_with(route.prefix))
            return &route;
    return nullptr;
}

struct Request {
    const std::optional<PublicUrl>& publicUrl;
    const CMediaInfoList& catalogue;
    const std::function<void(const std::string&)>& log;
    MHD_Connection* connection;
    std::string_view path;
    std::string_view method;
    bool logEveryRequest;

    std::optional<std::string_view> Header(const char* name) const {
        const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
        return value ? std::optional<std::string_view>(value) : std::nullopt;
    }
};

// The client's IPv4 address, host order; 0 when unknown. The library keeps it in room for any family's.
std::uint32_t ClientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    platform::Endpoint client;
    return info && platform::EndpointOf(info->client_addr, sizeof(sockaddr_storage), client) ? client.address : 0;
}

std::string ClientText(MHD_Connection* connection) {
    const std::uint32_t address = ClientAddress(connection);
    return address ? FormatIPv4(address) : "?";
}

// The request and why it is dropped: the library closes the connection when told MHD_NO, and the client sees no
// answer at all, so the log is the one place that says why.
MHD_Result Drop(const Request& request, const std::string& why) {
    if (request.log)
        request.log(OneLine("HTTP " + ClientText(request.connection) + " " + std::string(request.method) + " " +
                            std::string(request.path) + ": connection closed, " + why));
    return MHD_NO;
}

// Sends response with status, logs the request and its answer (when every request is logged, or always), and lets
// the response go.
MHD_Result Send(const Request& request, unsigned status, MHD_Response* response, const std::string& note = {},
                bool alwaysLogged = false) {
    if (!response)
        return Drop(request, "no memory for a " + std::to_string(status) + " answer");
    const MHD_Result queued = MHD_queue_response(request.connection, status, response);
    MHD_destroy_response(response);
    if (queued != MHD_YES)
        return Drop(request, "the " + std::to_string(status) + " answer could not be queued");
    if (request.log && (alwaysLogged || request.logEveryRequest)) {
        // The path arrives with its %-escapes undone: what a client sends must not start log lines of its own.
        std::string line = "HTTP " + ClientText(request.connection) + " " + std::string(request.method) + " " +
                           std::string(request.path);
        if (const auto range = request.Header(MHD_HTTP_HEADER_RANGE))
            line += " (Range: " + std::string(*range) + ")";
        line += ": " + std::to_string(status);
        if (!note.empty())
            line += ", " + note;
        request.log(OneLine(line));
    }
    return queued;
}

MHD_Response* TextResponse(std::string_view body, const char* contentType) {
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache");
    }
    return response;
}

MHD_Result SendError(const Request& request, unsigned status, const std::string& reason) {
    return Send(request, status, TextResponse(reason + "\n", "text/plain; charset=utf-8"), reason);
}

// The base of the URLs handed out: the public URL when there is one, else the Host the request named (answered
// only when it is well formed), else the address the request came in on.
std::string Origin(const Request& request) {
    if (request.publicUrl)
        return request.publicUrl->base;
    if (const auto host = request.Header(MHD_HTTP_HEADER_HOST); host && !TrimmedHeaderText(*host).empty())
        return "http://" + std::string(TrimmedHeaderText(*host));
    const MHD_ConnectionInfo* info = MHD_get_connection_info(request.connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    platform::Endpoint local;
    if (info && platform::LocalEndpoint(static_cast<platform::NativeSocket>(info->connect_fd), local))
        return "http://" + FormatIPv4(local.address) + ":" + std::to_string(local.port);
    return "http://localhost";
}

// Only renderers that ask are told the profile, so only they pay for the look at the file's first bytes.
void AddDlnaHeaders(const Request& request, const CMediaInfo& program, MHD_Response* response) {
    const auto asked = request.Header("getcontentFeatures.dlna.org");
    const char* profile = nullptr;
    if (asked)
        profile =
            DlnaProfileOf(program.m_nType, DlnaProfileNeedsVideo(program.m_nType) ? ProbeMpegVideoFile(program.m_szFile)
                                                                                  : MpegVideoFormat{});
    const DlnaHeaders headers =
        AnswerDlnaHeaders(asked, request.Header("transferMode.dlna.org"), program.m_nType, profile);
    if (!headers.contentFeatures.empty())
        MHD_add_response_header(response, "contentFeatures.dlna.org", headers.contentFeatures.c_str());
    if (!headers.transferMode.empty())
        MHD_add_response_header(response, "transferMode.dlna.org", headers.transferMode.c_str());
}

// TVs of one maker ask for a video's subtitles with the video itself; only they pay for the look into its folder.
void AddCaptionHeader(const Request& request, const CMediaInfo& program, MHD_Response* response) {
    const auto asked = request.Header("getCaptionInfo.sec");
    if (!asked || TrimmedHeaderText(*asked) != "1")
        return;
    if (const std::string url = CaptionUrl(Origin(request), program.m_nPID, program.m_szFile); !url.empty())
        MHD_add_response_header(response, "CaptionInfo.sec", url.c_str());
}

MHD_Result SendProgram(const Request& request, std::string_view pidText) {
    const std::optional<std::int32_t> pid = ParseInteger<std::int32_t>(pidText);
    // A PID is named one way only: "+5" or "05" would be second addresses of the same file.
    const bool wellNamed = pid && std::to_string(*pid) == pidText;
    const std::optional<CMediaInfo> program = wellNamed ? request.catalogue.FindByPid(*pid) : std::nullopt;
    if (!program)
        return SendError(request, MHD_HTTP_NOT_FOUND, "No program has PID " + std::string(pidText) + ".");

    std::string reason;
    platform::SentFile file = platform::OpenForSending(program->m_szFile, reason);
    if (!file.file)
        return SendError(request, MHD_HTTP_NOT_FOUND,
                         "The file of PID " + std::to_string(*pid) + " cannot be read (" + reason + ").");
    const std::string tag = EntityTag(file.size, file.modifiedSeconds, file.modifiedNanoseconds);
    const std::string lastModified = HttpDate(file.modifiedSeconds);
    const FileAnswer answer = AnswerFileRequest(
        {request.Header(MHD_HTTP_HEADER_RANGE), request.Header(MHD_HTTP_HEADER_IF_RANGE),
         request.Header(MHD_HTTP_HEADER_IF_NONE_MATCH), request.Header(MHD_HTTP_HEADER_IF_MODIFIED_SINCE)},
        file.size, tag, file.modifiedSeconds);

    MHD_Response* response = nullptr;
    if (answer.status == 200 || answer.status == 206) {
        // The file stays ours until the response exists; from then on the response closes it when the last byte
        // is sent or the client goes.
        const int descriptor = platform::HandOverAsDescriptor(std::move(file.file));
        if (descriptor < 0)
            return Drop(request, "the file of PID " + std::to_string(*pid) + " could not be handed to the sender");
        response = MHD_create_response_from_fd_at_offset64(answer.length, descriptor, answer.first);
        if (!response) {
            platform::CloseDescriptor(descriptor);
            return Drop(request, "no memory for the answer");
        }
    } else {
        file.file.reset();
        response = MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
        if (!response)
            return Drop(request, "no memory for the answer");
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_ETAG, tag.c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_LAST_MODIFIED, lastModified.c_str());
    MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
    if (answer.status != 304)
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, ContentTypeOf(program->m_nType));
    AddDlnaHeaders(request, *program, response);
    AddCaptionHeader(request, *program, response);
    if (answer.status == 206) {
        const std::string range = "bytes " + std::to_string(answer.first) + "-" +
                                  std::to_string(answer.first + answer.length - 1) + "/" + std::to_string(file.size);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, range.c_str());
    } else if (answer.status == 416) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE,
                                ("bytes */" + std::to_string(file.size)).c_str());
    }
    return Send(request, answer.status, response, std::to_string(answer.length) + " bytes");
}

MHD_Result SendMethodNotAllowed(const Request& request, const std::string& allowed) {
    MHD_Response* response = TextResponse("Only " + allowed + " are answered here.\n", "text/plain; charset=utf-8");
    if (response)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, allowed.c_str());
    return Send(request, MHD_HTTP_METHOD_NOT_ALLOWED, response);
}

// The library's pull of a route's stream: the function rides along with the response and goes with it.
ssize_t ReadStream(void* cls, std::uint64_t position, char* room, std::size_t size) {
    const long written =
        (*static_cast<std::function<long(std::uint64_t, char*, std::size_t)>*>(cls))(position, room, size);
    if (written > 0)
        return written;
    return written == 0 ? MHD_CONTENT_READER_END_OF_STREAM : MHD_CONTENT_READER_END_WITH_ERROR;
}

void FreeStream(void* cls) {
    delete static_cast<std::function<long(std::uint64_t, char*, std::size_t)>*>(cls);
}

MHD_Response* RouteResponse(const Request& request, HttpRouteReply& reply) {
    if (reply.stream) {
        auto* stream = new std::function<long(std::uint64_t, char*, std::size_t)>(std::move(reply.stream));
        MHD_Response* response =
            MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 64 * 1024, &ReadStream, stream, &FreeStream);
        if (!response)
            FreeStream(stream);
        return response;
    }
    if (reply.file) {
        std::string reason;
        platform::SentFile file = platform::OpenForSending(*reply.file, reason);
        if (!file.file || reply.fileOffset > file.size || reply.fileLength > file.size - reply.fileOffset) {
            Drop(request,
                 "the file of the answer cannot be read (" + (reason.empty() ? "shorter than said" : reason) + ")");
            return nullptr;
        }
        const int descriptor = platform::HandOverAsDescriptor(std::move(file.file));
        if (descriptor < 0)
            return nullptr;
        MHD_Response* response =
            MHD_create_response_from_fd_at_offset64(reply.fileLength, descriptor, reply.fileOffset);
        if (!response)
            platform::CloseDescriptor(descriptor);
        return response;
    }
    return MHD_create_response_from_buffer(reply.body.size(), reply.body.data(), MHD_RESPMEM_MUST_COPY);
}

MHD_Result SendRoute(const Request& request, const HttpRoute& route, std::string body, bool bodyTooLong) {
    if (std::find(route.methods.begin(), route.methods.end(), request.method) == route.methods.end()) {
        std::string allowed;
        for (const std::string& method : route.methods)
            allowed += (allowed.empty() ? "" : ", ") + method;
        return SendMethodNotAllowed(request, allowed);
    }
    if (bodyTooLong)
        return SendError(request, MHD_HTTP_CONTENT_TOO_LARGE, "The request's body is longer than is answered here.");
    HttpRouteRequest asked;
    asked.method = request.method;
    asked.path = request.path;
    asked.client = ClientAddress(request.connection);
    asked.origin = Origin(request);
    asked.header = [&request](const char* name) { return request.Header(name); };
    asked.body = std::move(body);
    HttpRouteReply reply = route.answer(asked);
    MHD_Response* response = RouteResponse(request, reply);
    if (!response)
        return Drop(request, "no answer could be made");
    for (const auto& [name, value] : reply.headers)
        MHD_add_response_header(response, name.c_str(), value.c_str());
    return Send(request, reply.status, response, reply.logNote);
}

} // namespace

MHD_Result HttpRequestHandler::Accept(void* service, const sockaddr* address, socklen_t length) {
    platform::Endpoint client;
    if (length <= 0 || !platform::EndpointOf(address, static_cast<std::size_t>(length), client))
        return MHD_NO;
    return static_cast<HttpService*>(service)->allow_.Allows(client.address) ? MHD_YES : MHD_NO;
}

MHD_Result HttpRequestHandler::Answer(void* service, MHD_Connection* connection, const char* url, const char* method,
                                      const char* /*version*/, const char* uploadData, size_t* uploadSize,
                                      void** requestState) {
    // The first call comes with the headers alone; answering then would leave a request body unread, and the
    // library would close the connection instead of keeping it for the client's next request.
    const HttpService& owner = *static_cast<HttpService*>(service);
    if (!*requestState) {
        *requestState = connection;
        // A route's shorter limit holds from the head on: a client that sends half a body and no more (or shuts its
        // side with the body cut short, which the library does not always notice) is not kept for the long one.
        std::shared_ptr<const std::vector<HttpRoute>> routes;
        {
            std::lock_guard lock(owner.documentsMutex_);
            routes = owner.routes_;
        }
        if (const HttpRoute* route = MatchingRoute(routes.get(), url ? url : ""); route && route->idleSeconds)
            MHD_set_connection_option(connection, MHD_CONNECTION_OPTION_TIMEOUT, route->idleSeconds);
        return MHD_YES;
    }
    if (*requestState == connection) {
        // The first call's marker becomes the request's own state, which Completed lets go.
        auto* state = new RequestState;
        {
            std::lock_guard lock(owner.documentsMutex_);
            state->routes = owner.routes_;
        }
        state->route = MatchingRoute(state->routes.get(), url ? url : "");
        *requestState = state;
    }
    auto& state = *static_cast<RequestState*>(*requestState);
    if (*uploadSize != 0) {
        // Only a route takes a body, and only as much as it said; the rest is read and dropped.
        const std::size_t room = state.route ? state.route->maxBody : 0;
        if (state.bodyTooLong || state.body.size() + *uploadSize > room) {
            state.bodyTooLong = state.route != nullptr;
            state.body.clear();
        } else {
            state.body.append(uploadData, *uploadSize);
        }
        *uploadSize = 0;
        return MHD_YES;
    }
    const Request request{owner.publicUrl_,     owner.catalogue_,      owner.log_, connection, url ? url : "",
                          method ? method : "", owner.logEveryRequest_};
    if (const auto host = request.Header(MHD_HTTP_HEADER_HOST); !HostAnswered(host, owner.hostNames_)) {
        // Told to the operator with the name, whose page it may be; the client is told what to use instead.
        const std::string reason = "This server answers only by its address, its host name or its public URL.";
        return Send(request, MHD_HTTP_FORBIDDEN, TextResponse(reason + "\n", "text/plain; charset=utf-8"),
                    "refused: Host \"" + std::string(*host) + "\" is not a name of this server", true);
    }
    if (state.route)
        return SendRoute(request, *state.route, std::move(state.body), state.bodyTooLong);
    if (request.method != MHD_HTTP_METHOD_GET && request.method != MHD_HTTP_METHOD_HEAD)
        return SendMethodNotAllowed(request, "GET, HEAD");
    const std::string_view path = request.path;
    std::shared_ptr<const HttpDocuments> documents;
    {
        std::lock_guard lock(owner.documentsMutex_);
        documents = owner.documents_;
    }
    if (documents) {
        if (const auto found = documents->find(path); found != documents->end())
            return Send(request, MHD_HTTP_OK, TextResponse(found->second.body, found->second.contentType.c_str()));
    }
    if (path.starts_with(kProgramsPrefix))
        return SendProgram(request, path.substr(kProgramsPrefix.size()));

    const auto programs = [&] {
        std::vector<ShownProgram> shown = WithSizesOnDisk(ReachablePrograms(request.catalogue.Snapshot()));
        std::shared_ptr<const std::function<std::string(const CMediaInfo&)>> converted;
        std::shared_ptr<const std::function<bool(const CMediaInfo&)>> pictureCheck;
        {
            std::lock_guard lock(owner.documentsMutex_);
            converted = owner.convertedStreams_;
            pictureCheck = owner.pictureCheck_;
        }
        if (converted)
            for (ShownProgram& program : shown)
                program.hls = (*converted)(program.record);
        WithExtras(shown, pictureCheck ? *pictureCheck : std::function<bool(const CMediaInfo&)>());
        return shown;
    };
    if (path == "/") {
        const std::string origin = owner.publicUrl_ ? owner.publicUrl_->base : std::string();
        return Send(request, MHD_HTTP_OK, TextResponse(CataloguePage(programs(), origin), "text/html; charset=utf-8"));
    }
    if (path == "/programs.m3u8")
        return Send(request, MHD_HTTP_OK,
                    TextResponse(PlaylistText(programs(), Origin(request)), "audio/x-mpegurl; charset=utf-8"));
    if (path == "/programs.json")
        return Send(request, MHD_HTTP_OK,
                    TextResponse(CatalogueJson(programs(), Origin(request)), "application/json; charset=utf-8"));
    return SendError(request, MHD_HTTP_NOT_FOUND, "Nothing here: try / for the list of programs.");
}

void HttpRequestHandler::Completed(void* /*service*/, MHD_Connection* connection, void** requestState,
                                   MHD_RequestTerminationCode /*code*/) {
    if (*requestState && *requestState != connection)
        delete static_cast<RequestState*>(*requestState);
    *requestState = nullptr;
}

void HttpRequestHandler::Log(void* service, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    auto& owner = *static_cast<HttpService*>(service);
    {
        std::lock_guard lock(owner.libraryMessageMutex_);
        owner.libraryMessage_ = line;
    }
    if (owner.log_)
        owner.log_("HTTP: " + line);
}

} // namespace tarnvale
