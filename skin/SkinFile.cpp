// Skin description values, element sections and the global settings.
#include "skin/SkinFile.h"

#include "platform/Text.h"

#include <cctype>
#include <limits>

namespace tarnvale {
namespace {

// Leading-number conversion from `start`; `end` (when given) receives where the digits stopped, or `start`
// when there were none.
std::int32_t ScanNumber(const std::string& text, std::size_t start, std::size_t* end) {
    std::size_t i = start;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::size_t digits = i;
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value < kLimit)
            value = value * 10 + (text[i] - '0');
    }
    if (end)
        *end = i == digits ? start : i;
    if (value > kLimit)
        value = kLimit;
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max())
        value = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

// Start of field `index` of a list separated by `separator`; npos when the list has fewer fields.
std::size_t FieldStart(const std::string& text, int index, char separator) {
    std::size_t at = 0;
    for (int i = 0; i < index; ++i) {
        at = text.find(separator, at);
        if (at == std::string::npos)
            return at;
        ++at;
    }
    return at;
}

bool IsWord(const std::string& text, const char* word) {
    return platform::EqualsIgnoringCase(text.c_str(), word);
}

} // namespace

std::int32_t LeadingNumber(const std::string& text, std::size_t start) {
    return ScanNumber(text, start, nullptr);
}

std::int32_t ListField(const std::string& text, int index, std::int32_t fallback) {
    const std::size_t at = FieldStart(text, index, ',');
    return at == std::string::npos ? fallback : LeadingNumber(text, at);
}

std::uint32_t ParseColour(const std::string& text, std::uint32_t fallback) {
    if (text.empty())
        return fallback;
    std::uint32_t colour = 0;
    for (int component = 0; component < 3; ++component) {
        const std::size_t at = FieldStart(text, component, ' ');
        if (at == std::string::npos)
            break;
        colour |= (static_cast<std::uint32_t>(LeadingNumber(text, at)) & 0xFF) << (8 * component);
    }
    return colour;
}

Margins ParseMargins(const std::string& text) {
    std::string packed;
    for (char c : text) {
        if (c != ' ')
            packed += c;
    }
    std::int32_t values[4] = {};
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (at >= packed.size() || packed[at] != ',')
                break;
            ++at;
        }
        std::size_t end = at;
        values[i] = ScanNumber(packed, at, &end);
        if (end == at)
            break;
        at = end;
    }
    return {values[0], values[1], values[2], values[3]};
}

FontSpec ParseFont(const std::string& text) {
    FontSpec font;
    // Face names never begin or end with a blank, so blanks before the comma are not part of the name.
    font.face = TrimBlanks(text.substr(0, text.find(',')));
    font.size = ListField(text, 1, 0);
    font.weight = ListField(text, 2, 0);
    return font;
}

std::string ReadText(const IniProfile& profile, const char* section, const char* key, const std::string& fallback) {
    return profile.ReadText(section, key, fallback, kTextBufferChars);
}

std::int32_t ReadIntField(const IniProfile& profile, const char* section, const char* key, int index,
                          std::int32_t fallback) {
    return ListField(profile.ReadText(section, key, "", kIntListBufferChars), index, fallback);
}

std::uint32_t ReadColour(const IniProfile& profile, const char* section, const char* key, std::uint32_t fallback) {
    return ParseColour(profile.ReadText(section, key, "", kColourBufferChars), fallback);
}

std::string ReadElementSection(const IniProfile& profile, int id, SkinElement& element) {
    if (!IsElementId(id))
        return {};
    const char* section = kElementTable[id].section;
    element.margins = ParseMargins(ReadText(profile, section, "SizingMargins", "0,0,0,0"));
    element.anchorTopRight = IsWord(ReadText(profile, section, "OffsetType", "TopLeft"), "topright");
    element.offsetX = ReadIntField(profile, section, "Offset", 0, 0);
    element.offsetY = ReadIntField(profile, section, "Offset", 1, 0);
    element.textColor = ReadColour(profile, section, "TextColor", kNoColour);
    element.fillColor = ReadColour(profile, section, "FillColor", kNoColour);
    element.borderColor = ReadColour(profile, section, "BorderColor", kNoColour);
    const std::string sizing = ReadText(profile, section, "SizingType", "Stretch");
    element.sizingType = IsWord(sizing, "truesize")  ? SizingTrueSize
                         : IsWord(sizing, "stretch") ? SizingStretch
                                                     : SizingTile;
    if (kElementTable[id].frames == 0)
        return {};
    return profile.ReadText(section, "ImageFile", "", kPathBufferChars);
}

std::string ReadHighDpiImageFile(const IniProfile& profile, int id) {
    if (!IsElementId(id) || kElementTable[id].frames == 0)
        return {};
    return profile.ReadText(kElementTable[id].section, "ImageFileHighDpi", "", kPathBufferChars);
}

GlobalSettings ReadGlobalSettings(const IniProfile& profile, std::uint32_t systemCaptionText,
                                  std::uint32_t systemCaptionTextInactive) {
    const char* section = kElementTable[kElementSysMetrics].section;
    GlobalSettings settings;
    settings.useTransparency = profile.ReadInt(section, "UseTransparency", 0);
    settings.captionAlignment = profile.ReadInt(section, "TextAlignment", 0);
    settings.captionFont = ParseFont(ReadText(profile, section, "CaptionFont", kDefaultCaptionFont));
    settings.captionText = ReadColour(profile, section, "CaptionText", systemCaptionText);
    settings.captionTextInactive = ReadColour(profile, section, "CaptionTextInactive", systemCaptionTextInactive);
    settings.captionOffsetX = ReadIntField(profile, section, "CaptionOffset", 0, 0);
    settings.captionOffsetY = ReadIntField(profile, section, "CaptionOffset", 1, 0);
    return settings;
}

std::string ResolveSkinPath(const std::string& path, bool isDirectory) {
    if (!isDirectory)
        return path;
    std::string resolved = path;
    while (!resolved.empty() && (resolved.back() == '\\' || resolved.back() == '/'))
        resolved.pop_back();
    return resolved + "\\" + kSkinFileName;
}

std::string SkinDirectory(const std::string& skinPath) {
    const std::size_t slash = skinPath.find_last_of("\\/");
    if (slash != std::string::npos)
        return skinPath.substr(0, slash + 1);
    // A drive without a directory ("C:skin.ini") keeps its drive.
    if (skinPath.size() >= 2 && skinPath[1] == ':' && std::isalpha(static_cast<unsigned char>(skinPath[0])))
        return skinPath.substr(0, 2);
    return {};
}

std::optional<std::string> ImagePath(const std::string& skinPath, const std::string& imageFile) {
    std::string path = SkinDirectory(skinPath) + imageFile;
    if (path.size() >= kPathBufferChars)
        return std::nullopt;
    return path;
}

} // namespace tarnvale
