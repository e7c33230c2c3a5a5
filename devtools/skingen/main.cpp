// tarnvale-skingen: writes the default skin (skin.ini and its bitmaps) into a directory.
#include "DefaultSkin.h"
#include "platform/File.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnvale-skingen DIRECTORY\n"
                             "Writes the default skin (skin.ini and its bitmaps) into DIRECTORY, for example\n"
                             "skins/Tarnvale in the source tree.\n");
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::fprintf(stderr, "tarnvale-skingen: cannot create %s: %s\n", directory.string().c_str(),
                     error.message().c_str());
        return 1;
    }
    for (const auto& [name, bytes] : tarnvale::DrawDefaultSkin()) {
        const std::string path = (directory / name).string();
        tarnvale::platform::SystemError failure;
        if (!tarnvale::platform::ReplaceFileContents(path, bytes, &failure)) {
            std::fprintf(stderr, "tarnvale-skingen: %s\n", failure.message.c_str());
            return 1;
        }
        std::printf("wrote %s (%zu bytes)\n", path.c_str(), bytes.size());
    }
    return 0;
}
