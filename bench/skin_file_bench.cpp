// Reading the default skin: parsing skin.ini and reading every element section and the global settings, as a
// skin load does, and the re-read of one section that each drawing request costs an element without an image.
#include "BenchTiming.h"
#include "platform/File.h"
#include "skin/IniProfile.h"
#include "skin/SkinFile.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace tarnvale;

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : TARNVALE_SOURCE_DIR "/skins/Tarnvale/skin.ini";
    std::vector<std::uint8_t> bytes;
    if (platform::ReadWholeFile(path, bytes) != platform::ReadResult::Ok) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    constexpr int kLoads = 2000, kRuns = 7;
    std::size_t sink = 0;
    const double load = bench::BestSeconds(kRuns, [&] {
        for (int i = 0; i < kLoads; ++i) {
            const IniProfile profile = IniProfile::Parse(bytes);
            for (int id = 0; id < kElementCount; ++id) {
                SkinElement element;
                sink += ReadElementSection(profile, id, element).size();
            }
            sink += ReadGlobalSettings(profile, 0, 0).captionFont.face.size();
        }
    });
    const IniProfile profile = IniProfile::Parse(bytes);
    constexpr int kRereads = 200000;
    const double reread = bench::BestSeconds(kRuns, [&] {
        for (int i = 0; i < kRereads; ++i) {
            SkinElement element;
            sink += ReadElementSection(profile, kElementHeader, element).size();
        }
    });
    std::printf("skin file: %zu bytes (%s)\n", bytes.size(), path.c_str());
    std::printf("load (parse, 23 element sections, global settings): %.1f us\n", load / kLoads * 1e6);
    std::printf("re-read of one element section:                    %.0f ns\n", reread / kRereads * 1e9);
    return sink == 0; // keeps the work from being optimised away
}
