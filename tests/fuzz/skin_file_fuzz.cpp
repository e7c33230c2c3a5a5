// Fuzz target: the skin-file reader over arbitrary bytes: the private-profile split, then the reads the skin engine
// makes as it loads a skin (an element's section, chosen by the first byte so that each run stays quick, and the
// global settings) and the image path the element's "ImageFile" names. The readers' buffers bound every value.
#include "skin/IniProfile.h"
#include "skin/SkinElement.h"
#include "skin/SkinFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnvale;
    if (size == 0)
        return 0;
    const int id = data[0] % kElementCount;
    const IniProfile profile = IniProfile::Parse({data + 1, size - 1});
    SkinElement element;
    const std::string image = ReadElementSection(profile, id, element);
    if (image.size() >= kPathBufferChars)
        __builtin_trap();
    if (const auto path = ImagePath("C:\\skins\\Tarnvale\\skin.ini", image); path && path->size() >= kPathBufferChars)
        __builtin_trap();
    const GlobalSettings settings = ReadGlobalSettings(profile, 0x000000, 0xFFFFFF);
    if (settings.captionFont.face.size() >= kTextBufferChars)
        __builtin_trap();
    return 0;
}
