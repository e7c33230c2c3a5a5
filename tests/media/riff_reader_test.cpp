// The AVI index walk on hand-made RIFF files (written to disk and also walked from memory) and on an encoder-made
// AVI file.
#include "core/ByteWriter.h"
#include "media/RiffReader.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnvale {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A chunk: identifier, size (the true one unless told otherwise), data and the pad byte after odd data.
Bytes Chunk(const char (&id)[5], const Bytes& data, std::int64_t claimedSize = -1) {
    Bytes out;
    ByteWriter w(out);
    w.U32LE(FourCC(id));
    w.U32LE(static_cast<std::uint32_t>(claimedSize >= 0 ? claimedSize : std::int64_t(data.size())));
    w.Bytes(data.data(), data.size());
    if (data.size() & 1)
        w.U8(0);
    return out;
}

Bytes List(const char (&id)[5], const char (&type)[5], const std::vector<Bytes>& children,
           std::int64_t claimedSize = -1) {
    Bytes data;
    ByteWriter w(data);
    w.U32LE(FourCC(type));
    for (const Bytes& child : children)
        w.Bytes(child.data(), child.size());
    return Chunk(id, data, claimedSize);
}

Bytes Cat(std::vector<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes kHdrl = List("LIST", "hdrl", {Chunk("avih", Bytes(56, 1))});
const Bytes kMovi = List("LIST", "movi", {Chunk("00dc", Bytes(10, 2)), Chunk("01wb", Bytes(7, 3))});
const Bytes kIdx1 = Chunk("idx1", Bytes(32, 4));

struct WalkCase {
    const char* what;
    Bytes file;
    bool found;           // FindIndex's result
    std::uint64_t offset; // IndexOffset() afterwards
};

std::vector<WalkCase> WalkCases() {
    const std::uint64_t afterHdrlMovi = 12 + kHdrl.size() + kMovi.size();
    std::vector<WalkCase> cases;
    cases.push_back({"header list, movi, idx1", List("RIFF", "AVI ", {kHdrl, kMovi, kIdx1}), true, afterHdrlMovi});
    cases.push_back({"odd chunk sizes are padded", List("RIFF", "AVI ", {Chunk("JUNK", Bytes(3)), kMovi, kIdx1}), true,
                     12 + 12 + kMovi.size()});
    cases.push_back({"idx1 inside movi is not entered",
                     List("RIFF", "AVI ", {kHdrl, List("LIST", "movi", {Chunk("00dc", Bytes(4)), kIdx1})}), true, 0});
    cases.push_back(
        {"a later idx1 replaces an earlier one", List("RIFF", "AVI ", {kIdx1, kHdrl, kIdx1}), true, 12 + 40 + 76});
    cases.push_back({"idx1 inside an entered list counts",
                     List("RIFF", "AVI ", {List("LIST", "odml", {Chunk("dmlh", Bytes(4)), kIdx1})}), true, 12 + 24});
    Bytes withZeros = List("RIFF", "AVI ", {kHdrl, kIdx1, Bytes(16, 0)});
    cases.push_back(
        {"zero bytes after the last chunk fail the walk, the index stays", withZeros, false, 12 + kHdrl.size()});
    cases.push_back({"a truncated outer chunk fails at the end, the index stays",
                     List("RIFF", "AVI ", {kHdrl, kIdx1}, 100000), false, 12 + kHdrl.size()});
    cases.push_back({"a chunk claiming to run past the end ends the walk",
                     List("RIFF", "AVI ", {kIdx1, Chunk("JUNK", Bytes(4), 0xFFFFFFF0)}), true, 12});
    cases.push_back(
        {"a second RIFF AVIX is walked too",
         Cat({List("RIFF", "AVI ", {kHdrl, kMovi, kIdx1}), List("RIFF", "AVIX", {List("LIST", "movi", {}), kIdx1})}),
         true, 12 + kHdrl.size() + kMovi.size() + kIdx1.size() + 12 + 12});
    cases.push_back({"a WAVE form is refused at once", List("RIFF", "WAVE", {kIdx1}), false, 0});
    cases.push_back({"an AVIX form alone is walked", List("RIFF", "AVIX", {kIdx1}), true, 12});
    cases.push_back({"not RIFF at all", Cat({Chunk("RIFX", {}), kIdx1}), false, 0});
    cases.push_back({"an empty file", {}, false, 0});
    cases.push_back({"a file cut inside the header", Bytes{'R', 'I', 'F', 'F', 1, 0}, false, 0});

    // Lists nested far deeper than any real file: the walk must neither recurse nor grow without bound.
    constexpr std::uint32_t kDepth = 20000;
    Bytes nested;
    ByteWriter w(nested);
    for (std::uint32_t level = 0; level < kDepth; ++level) {
        w.U32LE(FourCC("LIST"));
        w.U32LE(4 + 12 * (kDepth - 1 - level) + static_cast<std::uint32_t>(kIdx1.size()));
        w.U32LE(FourCC("deep"));
    }
    w.Bytes(kIdx1.data(), kIdx1.size());
    cases.push_back(
        {"deep nesting steps over the deepest lists", List("RIFF", "AVI ", {nested, kIdx1}), true, 12 + nested.size()});
    return cases;
}

TEST(RiffReaderTest, WalksHandMadeFilesFromDiskAndMemory) {
    test::TempDir dir;
    for (const WalkCase& c : WalkCases()) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("case.avi");
        test::WriteBytes(path, c.file);
        CRiffReader fromDisk;
        ASSERT_TRUE(fromDisk.Open(path.c_str()));
        EXPECT_EQ(fromDisk.FileSize(), c.file.size());
        EXPECT_EQ(fromDisk.FindIndex(), c.found);
        EXPECT_EQ(fromDisk.IndexOffset(), c.offset);

        CRiffReader fromMemory;
        fromMemory.OpenBytes(c.file);
        EXPECT_EQ(fromMemory.FindIndex(), c.found);
        EXPECT_EQ(fromMemory.IndexOffset(), c.offset);
    }
}

TEST(RiffReaderTest, FindsTheEncodersIndexAndRefusesItsWaveFile) {
    for (const test::MediaFixture& f : test::MediaFixtures()) {
        if (f.name.ends_with(".avi")) {
            SCOPED_TRACE(f.name);
            CRiffReader reader;
            ASSERT_TRUE(reader.Open(test::FixturePath(f.name).c_str()));
            EXPECT_TRUE(reader.FindIndex());
            EXPECT_EQ(reader.IndexOffset(), static_cast<std::uint64_t>(f.tailOffset));
        }
    }
    CRiffReader wave;
    ASSERT_TRUE(wave.Open(test::FixturePath("tone.wav").c_str()));
    EXPECT_FALSE(wave.FindIndex());
    EXPECT_EQ(wave.IndexOffset(), 0u);
}

TEST(RiffReaderTest, ReadAtAdvancesByTheCountAskedAndReopeningStartsAfresh) {
    test::TempDir dir;
    const std::string path = dir.File("short.avi");
    test::WriteBytes(path, {1, 2, 3, 4, 5, 6});
    CRiffReader reader;
    EXPECT_FALSE(reader.Open(dir.File("missing.avi").c_str()));
    ASSERT_TRUE(reader.Open(path.c_str()));
    reader.SetPosition(4);
    std::uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_TRUE(reader.ReadAt(buffer, sizeof buffer));
    EXPECT_EQ(reader.Position(), 12u);
    EXPECT_EQ(buffer[0], 5);
    EXPECT_EQ(buffer[1], 6);
    EXPECT_EQ(buffer[2], 9); // past the end: left as it was
    EXPECT_TRUE(reader.ReadAt(buffer, 4));
    EXPECT_EQ(reader.Position(), 16u);

    test::WriteBytes(path, List("RIFF", "AVI ", {kIdx1}));
    ASSERT_TRUE(reader.Open(path.c_str()));
    ASSERT_TRUE(reader.FindIndex());
    EXPECT_EQ(reader.IndexOffset(), 12u);
    EXPECT_FALSE(reader.Open(dir.File("missing.avi").c_str()));
    EXPECT_EQ(reader.IndexOffset(), 0u);
}

} // namespace
} // namespace tarnvale
