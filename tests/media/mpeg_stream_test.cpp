// The MPEG-1 stream test: hand-made streams for each rule, the encoder's files, cut-off prefixes, and the bound
// on how much of a file is read.
#include "media/MpegStream.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <utility>

namespace tarnvale {
namespace {

using Bytes = std::vector<std::uint8_t>;
using K = MpegStreamKind;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Packet(std::uint8_t id, const Bytes& header, std::size_t payload) {
    const std::size_t length = header.size() + payload;
    Bytes out{0, 0, 1, id, std::uint8_t(length >> 8), std::uint8_t(length)};
    out.insert(out.end(), header.begin(), header.end());
    out.resize(out.size() + payload, 0x55);
    return out;
}

const Bytes kMpeg1Pack{0, 0, 1, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x00, 0x01};
const Bytes kMpeg1PackNoMarker{0, 0, 1, 0xBA, 0x21, 0x00, 0x00, 0x00, 0x01, 0x80, 0x00, 0x01};
const Bytes kMpeg2Pack{0, 0, 1, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8};
const Bytes kSystemHeader{0, 0, 1, 0xBB, 0x00, 0x06, 0x80, 0x00, 0x01, 0x04, 0xE1, 0xFF};
const Bytes kPtsHeader{0xFF, 0xFF, 0x21, 0x00, 0x01, 0x00, 0x01}; // stuffing, then a time stamp
const Bytes kPlainHeader{0x40, 0x20, 0x0F};                       // buffer size, no time stamp
const Bytes kMpeg2PesHeader{0x80, 0x80, 0x05, 0x21, 0x00, 0x01, 0x00, 0x01};
const Bytes kSequence{0, 0, 1, 0xB3, 0x06, 0x00, 0x40, 0x13, 0xFF, 0xFF, 0xE0, 0x18};
const Bytes kSequenceNoRate{0, 0, 1, 0xB3, 0x06, 0x00, 0x40, 0x10, 0xFF, 0xFF, 0xE0, 0x18};
const Bytes kGroup{0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x40};
const Bytes kUserData{0, 0, 1, 0xB2, 'h', 'i'};
const Bytes kSequenceExtension{0, 0, 1, 0xB5, 0x14, 0x8A, 0x00, 0x01, 0x00, 0x00};
const Bytes kOtherExtension{0, 0, 1, 0xB5, 0x23, 0x05, 0x05, 0x05};

TEST(MpegStreamTest, ClassifiesHandMadeStreams) {
    const Bytes video = Packet(0xE0, kPtsHeader, 20);
    const Bytes audio = Packet(0xC0, kPlainHeader, 9);
    const struct {
        const char* what;
        Bytes bytes;
        K kind;
    } cases[] = {
        {"MPEG-1 pack, system header, packets", Cat({kMpeg1Pack, kSystemHeader, video, audio}), K::Mpeg1System},
        {"zero stuffing before the first pack", Cat({Bytes(5, 0), kMpeg1Pack, video}), K::Mpeg1System},
        {"several packs and an end code", Cat({kMpeg1Pack, video, kMpeg1Pack, audio, {0, 0, 1, 0xB9}}), K::Mpeg1System},
        {"padding and private stream 2 are not parsed",
         Cat({kMpeg1Pack, Packet(0xBE, {}, 30), Packet(0xBF, {0x80}, 3)}), K::Mpeg1System},
        {"a packet cut off by the end of the prefix", Cat({kMpeg1Pack, Bytes(video.begin(), video.begin() + 9)}),
         K::Mpeg1System},
        {"junk between packs is stepped over to the next pack", Cat({kMpeg1Pack, video, {1, 2, 3}, kMpeg1Pack, audio}),
         K::Mpeg1System},
        {"an MPEG-1 pack alone", kMpeg1Pack, K::Other},
        {"an MPEG-1 pack with a marker bit clear", Cat({kMpeg1PackNoMarker, video}), K::Other},
        {"an MPEG-2 packet header in an MPEG-1 pack", Cat({kMpeg1Pack, Packet(0xE0, kMpeg2PesHeader, 4)}), K::Other},
        {"too much stuffing", Cat({kMpeg1Pack, Packet(0xE0, Bytes(17, 0xFF), 4)}), K::Other},
        {"an MPEG-2 pack", Cat({kMpeg2Pack, Packet(0xE0, kMpeg2PesHeader, 4)}), K::Mpeg2System},
        {"a later MPEG-2 pack", Cat({kMpeg1Pack, video, kMpeg2Pack, video}), K::Mpeg2System},
        {"sequence header, group", Cat({kSequence, kGroup}), K::Mpeg1Video},
        {"sequence header, user data, other extension, group", Cat({kSequence, kUserData, kOtherExtension, kGroup}),
         K::Mpeg1Video},
        {"sequence header, sequence extension", Cat({kSequence, kSequenceExtension, kGroup}), K::Mpeg2Video},
        {"sequence header with frame rate 0", Cat({kSequenceNoRate, kGroup}), K::Other},
        {"sequence header and nothing after", kSequence, K::Other},
        {"an audio packet start code first", Packet(0xC0, kPlainHeader, 4), K::Other},
        {"nothing", {}, K::Other},
        {"zeros only", Bytes(100, 0), K::Other},
        {"a start code prefix alone", {0, 0, 1}, K::Other},
        {"a tagged MP3 file", {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0}, K::Other},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ClassifyMpegStream(c.bytes), c.kind) << MpegStreamKindText(ClassifyMpegStream(c.bytes));
    }
}

const std::map<std::string, K> kFixtureKinds = {
    {"mpeg1-system.mpg", K::Mpeg1System},
    {"mpeg1-video.mpg", K::Mpeg1Video},
    {"mpeg2-program.mpg", K::Mpeg2System},
    {"mpeg2-program.vob", K::Mpeg2System},
    {"mpeg2-video.mpg", K::Mpeg2Video},
    {"clip.avi", K::Other},
    {"tone.mp3", K::Other},
    {"tone.wav", K::Other},
};

TEST(MpegStreamTest, ClassifiesTheEncodersFiles) {
    for (const auto& [name, kind] : kFixtureKinds) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ClassifyMpegFile(test::FixturePath(name).c_str()), kind);
    }
    EXPECT_EQ(ClassifyMpegFile("no/such/file.mpg"), K::Other);
}

TEST(MpegStreamTest, EveryCutOffPrefixIsSafeAndDecidedOnceTheFirstPartsAreIn) {
    const struct {
        const char* name;
        std::size_t decidedFrom; // the pack and a system header's start; the sequence header and a group's start
        K kind;
    } cases[] = {{"mpeg1-system.mpg", 18, K::Mpeg1System}, {"mpeg1-video.mpg", 16, K::Mpeg1Video}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = test::ReadBytes(test::FixturePath(c.name));
        ASSERT_GT(bytes.size(), 4096u);
        for (std::size_t n = 0; n <= 4096; ++n) {
            SCOPED_TRACE(n);
            ASSERT_EQ(ClassifyMpegStream(std::span(bytes).first(n)), n >= c.decidedFrom ? c.kind : K::Other);
            // The frame is known once the stream is and the whole header is in, and then it is the encoder's.
            const MpegVideoFormat video = ProbeMpegVideo(std::span(bytes).first(n));
            ASSERT_EQ(video.kind, n >= c.decidedFrom ? c.kind : K::Other);
            if (video.width != 0) {
                ASSERT_EQ(std::pair(video.width, video.height), std::pair(96u, 64u));
            }
        }
        const MpegVideoFormat whole = ProbeMpegVideo(bytes);
        EXPECT_EQ(std::tuple(whole.width, whole.height, whole.frameRateCode), std::tuple(96u, 64u, 3u));
    }
}

TEST(MpegStreamTest, ReadsOnlyABoundedPrefixOfTheFile) {
    // An MPEG-1 start, then an MPEG-2 pack just past the bytes the test reads, then megabytes of noise: were the
    // test to read further, it would see the MPEG-2 pack.
    Bytes bytes = test::ReadBytes(test::FixturePath("mpeg1-system.mpg"));
    ASSERT_LT(bytes.size(), kMpegProbeBytes);
    bytes.resize(kMpegProbeBytes, 0);
    bytes.insert(bytes.end(), kMpeg2Pack.begin(), kMpeg2Pack.end());
    bytes.resize(bytes.size() + 4 * 1024 * 1024, 0xA5);
    test::TempDir dir;
    test::WriteBytes(dir.File("long.mpg"), bytes);
    EXPECT_EQ(ClassifyMpegFile(dir.File("long.mpg").c_str()), K::Mpeg1System);
    EXPECT_EQ(ClassifyMpegStream(bytes), K::Mpeg2System);
}

} // namespace
} // namespace tarnvale
