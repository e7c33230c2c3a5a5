// The table of client families. A row matches when its header contains its text (case as sent); the first match
// wins, so particular rows come before general ones. Evidence per row: where the header text and the behaviour
// were seen.
#include "upnp/ClientFamilies.h"

#include <algorithm>
#include <iterator>

namespace tarnvale {

namespace {

struct FamilyRow {
    const char* header;
    const char* contains;
    ClientFamily family;
};

constexpr FamilyRow kFamilies[] = {
    // TVs of the largest maker since its 2010 C series: User-Agent "SEC_HHP_[TV] UE40D5000/1.0" (also "SEC_HHP_"
    // and the set's name from its own DLNA client). They call X_GetFeatureList before browsing and show only the
    // containers it lists; they refuse a res whose DLNA.ORG_PN they do not know (we name one only where the file
    // is it). Seen in minidlna's clients.c ("Samsung Series [CDEFJ]", matched on "SEC_HHP_" in User-Agent) and in
    // its upnpsoap.c answering X_GetFeatureList with the video and audio containers.
    {"User-Agent", "SEC_HHP_", {"Samsung TV", {true, false, false}}},
    // The same sets' earlier firmware names itself in X-AV-Client-Info ("...; mv=\"SEC_HHP_...\"").
    {"X-AV-Client-Info", "SEC_HHP_", {"Samsung TV", {true, false, false}}},
    // Xbox 360 and Xbox One: User-Agent "Xbox/2.0.4548.0 UPnP/1.0 Xbox/2.0.4548.0"; browse with ContainerID in
    // place of ObjectID and play AVI only as video/avi (minidlna's clients.c: "Xbox 360", "Xbox/" in User-Agent,
    // FLAG_MIME_AVI_AVI; its upnpsoap.c takes ContainerID for ObjectID for them).
    {"User-Agent", "Xbox", {"Xbox", {false, true, true}}},
    // Windows Media Player and the Windows media sharing client: User-Agent "Windows-Media-Player/12.0.7601.17514"
    // or "Microsoft-Windows/6.1 UPnP/1.0 Windows-Media-Player-DMS/12.0 DLNADOC/1.50"; they register through
    // X_MS_MediaReceiverRegistrar (answered for every client), list music by Search, and want video/avi.
    {"User-Agent", "Windows-Media-Player", {"Windows Media Player", {false, true, true}}},
    {"User-Agent", "Microsoft-Windows", {"Windows", {false, true, true}}},
};

constexpr ClientFamily kGeneric{"generic", {}};

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// text with its %XX escapes undone; a '%' not followed by two hex digits stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

std::string* Find(ActionArguments& arguments, std::string_view name) {
    const auto found = std::find_if(arguments.begin(), arguments.end(), [&](const auto& a) { return a.first == name; });
    return found == arguments.end() ? nullptr : &found->second;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

const ClientFamily& IdentifyClient(const HeaderLookup& header) {
    for (const FamilyRow& row : kFamilies) {
        const std::optional<std::string_view> value = header(row.header);
        if (value && value->find(row.contains) != std::string_view::npos)
            return row.family;
    }
    return kGeneric;
}

std::string FeatureList() {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<Features xmlns=\"urn:schemas-upnp-org:av:avs\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"urn:schemas-upnp-org:av:avs http://www.upnp.org/schemas/av/avs.xsd\">"
           "<Feature name=\"samsung.com_BASICVIEW\" version=\"1\">"
           "<container id=\"video\" type=\"object.item.videoItem\"/>"
           "<container id=\"music\" type=\"object.item.audioItem\"/>"
           "</Feature></Features>";
}

ActionArguments NormalisedArguments(const ClientQuirks& quirks, std::string_view action, ActionArguments in) {
    if (quirks.containerIdForObjectId && action == "Browse" && !Find(in, "ObjectID"))
        if (const std::string* container = Find(in, "ContainerID"))
            in.emplace_back("ObjectID", *container);
    // Our ids hold no '%', so undoing escapes never changes an id that was sent as it is.
    for (const char* name : {"ObjectID", "ContainerID"})
        if (std::string* id = Find(in, name))
            *id = PercentDecoded(*id);
    return in;
}

void AdaptAnswer(const ClientQuirks& quirks, ActionArguments& out) {
    if (!quirks.aviAsVideoAvi)
        return;
    if (std::string* result = Find(out, "Result"))
        ReplaceAll(*result, ":video/x-msvideo:", ":video/avi:");
}

} // namespace tarnvale
