// The UPnP side's actions over whatever a control point may send: a service, an action name and arguments, parsed
// and answered against a small catalogue whose names try to break the XML. Every answer is a fault with its text, or
// a result; the directory's Browse and Search answer DIDL-Lite that is whole and free of control characters (other
// actions' Result, such as the registrar's IsAuthorized, is a plain value).
#include "core/MediaType.h"
#include "upnp/ContentDirectory.h"
#include "upnp/DeviceDocuments.h"
#include "upnp/MediaServerActions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tarnvale;

namespace {

const CMediaInfoList& Catalogue() {
    static CMediaInfoList catalogue;
    static const bool filled = [] {
        const struct {
            const char* path;
            std::int32_t pid, type;
        } rows[] = {{"/v/<a>&\"'.avi", 1, MEDIA_AVI},
                    {"/v/\x01\x7f\xff\xc0\xaf.mpg", 2, MEDIA_MPEG2},
                    {"/m/]]>.mp3", 3, MEDIA_MP3},
                    {"/m/dup.mp3", 3, MEDIA_MP3},
                    {"/x/odd", -7, 99}};
        for (const auto& row : rows) {
            CMediaInfo program;
            program.SetPath(row.path);
            program.m_nPID = row.pid;
            program.m_nType = row.type;
            catalogue.Append(program);
        }
        return true;
    }();
    (void)filled;
    return catalogue;
}

// Fields are separated by line breaks: the service's number, the action, then NAME=VALUE lines.
std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ContentDirectory directory(
        Catalogue(), "http://192.0.2.1:8080",
        [](const char*) {
            return MpegVideoFormat{MpegStreamKind::Mpeg2System, 720, 576, 3};
        },
        1);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string_view serviceLine = NextLine(text);
    const auto services = MediaServerServices();
    const std::string serviceId =
        serviceLine.empty() ? "urn:x:none" : services[static_cast<unsigned char>(serviceLine[0]) % services.size()].id;
    const std::string action(NextLine(text));
    ActionArguments in;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        const std::size_t equals = line.find('=');
        in.emplace_back(std::string(line.substr(0, equals)),
                        equals == std::string_view::npos ? std::string() : std::string(line.substr(equals + 1)));
    }
    const ActionAnswer answer = AnswerAction(directory, serviceId, action, in);
    const bool answersDidl =
        serviceId == "urn:upnp-org:serviceId:ContentDirectory" && (action == "Browse" || action == "Search");
    if (answer.fault == 0) {
        if (const std::string* result = answersDidl ? ArgumentValue(answer.out, "Result") : nullptr) {
            const std::string_view didl = *result;
            if (!didl.starts_with("<DIDL-Lite ") || !didl.ends_with("</DIDL-Lite>"))
                __builtin_trap();
            for (char c : didl) {
                if (static_cast<unsigned char>(c) < 0x20)
                    __builtin_trap();
            }
        }
    } else if (answer.faultText.empty() || !answer.out.empty()) {
        __builtin_trap();
    }
    return 0;
}
