// Control bodies as anything a LAN may POST: read as SOAP, answered through the whole control path against a small
// catalogue. Every reading either fails with a reason or names an action, and every answer is a whole envelope.
#include "core/MediaType.h"
#include "upnp/ContentDirectory.h"
#include "upnp/ControlRequest.h"
#include "upnp/SoapEnvelope.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace tarnvale;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CMediaInfoList catalogue;
    static const bool filled = [] {
        CMediaInfo program;
        program.SetPath("/m/<a>&.mp3");
        program.m_nPID = 3;
        program.m_nType = MEDIA_MP3;
        catalogue.Append(program);
        return true;
    }();
    (void)filled;
    static const ContentDirectory directory(
        catalogue, "http://192.0.2.1:8080", [](const char*) { return MpegVideoFormat{}; }, 1);
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    SoapCall call;
    std::string error;
    // A reading succeeds with an action and no reason, or fails with a reason.
    const bool read = ReadSoapCall(body, call, error);
    if (read != error.empty() || (read && call.action.empty()))
        __builtin_trap();
    const ControlReply reply = AnswerControl(&directory, MediaServerServices()[0], true, std::nullopt, body);
    if ((reply.status != 200 && reply.status != 500) || !std::string_view(reply.body).ends_with("</s:Envelope>\n"))
        __builtin_trap();
    return 0;
}
