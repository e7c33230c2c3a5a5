// Reading a skin description: the value types of its keys, the global settings, each element's section, and
// where the skin file and its images are.
#pragma once

#include "skin/IniProfile.h"
#include "skin/SkinElement.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnvale {

// Buffer sizes of the readers, in characters including the terminating NUL: values are cut to one less.
inline constexpr std::size_t kTextBufferChars = 4096;
inline constexpr std::size_t kIntListBufferChars = 128;
inline constexpr std::size_t kColourBufferChars = 12;
inline constexpr std::size_t kPathBufferChars = 260;

inline constexpr const char* kDefaultCaptionFont = "MS Sans Serif, 14, 700";
inline constexpr const char* kSkinFileName = "skin.ini";

// Leading-number conversion: leading blanks skipped, an optional sign and the decimal digits up to the first
// other character; no digits give 0. Numbers beyond 32 bits stop at the nearest 32-bit limit.
std::int32_t LeadingNumber(const std::string& text, std::size_t start = 0);

// Field `index` (from 0) of a comma-separated list, by leading-number conversion; fallback when the list has
// fewer fields. The empty text has one field, which reads as 0.
std::int32_t ListField(const std::string& text, int index, std::int32_t fallback);

// "R G B", components separated by single blanks, each cut to 8 bits, a missing one 0; fallback for the empty text.
std::uint32_t ParseColour(const std::string& text, std::uint32_t fallback);

// "left,top,right,bottom" with any blanks; numbers that cannot be read stay 0.
Margins ParseMargins(const std::string& text);

struct FontSpec {
    std::string face;
    std::int32_t size = 0;
    std::int32_t weight = 0;
};
// "face, size, weight"; a missing size or weight reads as 0.
FontSpec ParseFont(const std::string& text);

// The three readers every key goes through.
std::string ReadText(const IniProfile& profile, const char* section, const char* key, const std::string& fallback);
std::int32_t ReadIntField(const IniProfile& profile, const char* section, const char* key, int index,
                          std::int32_t fallback);
std::uint32_t ReadColour(const IniProfile& profile, const char* section, const char* key, std::uint32_t fallback);

// Reads an element's section into its record (margins, offset, anchor, colours, sizing type) and returns its
// "ImageFile" value; elements that take no image give the empty text whatever the file says.
std::string ReadElementSection(const IniProfile& profile, int id, SkinElement& element);

// The element's art drawn at twice its size for sharp screens ("ImageFileHighDpi", a key older readers pass over);
// the empty text when the skin has none or the element takes no image. Its frames stand for the frames of
// "ImageFile", whose size stays the element's size at 96 DPI.
std::string ReadHighDpiImageFile(const IniProfile& profile, int id);

// The global settings of section "SysMetrics".
struct GlobalSettings {
    std::int32_t useTransparency = 0;
    std::int32_t captionAlignment = 0; // 1 centred, 2 right-aligned, anything else left-aligned
    FontSpec captionFont;
    std::uint32_t captionText = kNoColour;
    std::uint32_t captionTextInactive = kNoColour;
    std::int32_t captionOffsetX = 0;
    std::int32_t captionOffsetY = 0;
};
// The caption colours fall back to the system's caption text colours, which the caller passes in.
GlobalSettings ReadGlobalSettings(const IniProfile& profile, std::uint32_t systemCaptionText,
                                  std::uint32_t systemCaptionTextInactive);

// The skin file to read for a given path: a path that names a directory gets its trailing separators removed and
// "\skin.ini" appended; any other path is used unchanged.
std::string ResolveSkinPath(const std::string& path, bool isDirectory);

// Drive and directory of a path, ending in its last separator ("C:\skins\a\" for "C:\skins\a\skin.ini").
std::string SkinDirectory(const std::string& skinPath);

// Where an element's image is: the skin file's directory followed by the "ImageFile" value. None when the
// combined path does not fit a 260-character path buffer, since a cut path would name some other file.
std::optional<std::string> ImagePath(const std::string& skinPath, const std::string& imageFile);

} // namespace tarnvale
