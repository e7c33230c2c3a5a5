// Longer programs for the conversion tests, made at test time with Debian's ffmpeg in the catalogue's formats
// (never committed): a test card with a tone, small enough to convert in a moment.
#pragma once

#include "support/Shell.h"

#include <string>

namespace tarnvale::test {

enum class ProgramKind { Mpeg1, Mpeg2, Avi };

// Writes a program of that kind and length to path; false when ffmpeg failed. size is the frame size ("320x240").
inline bool MakeProgram(const std::string& path, ProgramKind kind, int seconds, const std::string& size = "320x240") {
    const std::string length = std::to_string(seconds);
    const std::string inputs = "-f lavfi -i testsrc=size=" + size + ":rate=25:duration=" + length +
                               " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + length;
    const char* codecs = kind == ProgramKind::Mpeg1   ? "-c:v mpeg1video -b:v 1M -c:a mp2 -b:a 128k -f mpeg"
                         : kind == ProgramKind::Mpeg2 ? "-c:v mpeg2video -b:v 2M -c:a mp2 -b:a 128k -f dvd"
                                                      : "-c:v mpeg4 -vtag XVID -q:v 5 -c:a libmp3lame -b:a 128k -f avi";
    return RunCommand("ffmpeg -hide_banner -loglevel error -y " + inputs + " " + codecs + " " + Quote(path)).code == 0;
}

} // namespace tarnvale::test
