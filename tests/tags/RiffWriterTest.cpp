#include "tags/RiffWriter.h"

#include "platform/FileAccess.h"
#include "support/Id3v2Builder.h"
#include "support/MpegFrames.h"
#include "support/RiffBuilder.h"
#include "tags/Riff.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillory::riff {
namespace {

using test::bytes;
using test::InfoListBuilder;
using test::RiffBuilder;
using test::ScratchFolder;

// The file a plan describes, with the original's ranges taken from `original`.
Bytes materialise(const FilePlan& plan, const Bytes& original)
{
    Bytes out;
    for (const Piece& p : plan) {
        if (p.original)
            out.insert(out.end(), original.begin() + std::ptrdiff_t(p.from),
                       original.begin() + std::ptrdiff_t(p.from + p.length));
        else
            out.insert(out.end(), p.bytes.begin(), p.bytes.end());
    }
    return out;
}

V1Block v1With(char title)
{
    V1Block b = NewV1Block();
    b[3] = std::uint8_t(title);
    return b;
}

Bytes pattern(std::size_t n)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = std::uint8_t(i * 13 + 5);
    return b;
}

std::uint32_t riffSizeOf(const Bytes& file) { return readU32LE(file.data() + 4); }

class RiffWriterTest : public ::testing::Test {
protected:
    ScratchFolder dir;
    Bytes original;
    std::optional<RiffImage> image;
    ChunkOffsets chunks;

    void load(Bytes file)
    {
        original = std::move(file);
        FileReader reader;
        ASSERT_TRUE(reader.open(dir.write(QStringLiteral("f.bin"), original)));
        chunks = FindRiffChunks(reader, Find::Both);
        image = OpenRiff(reader, chunks);
        ASSERT_TRUE(image.has_value());
    }
    Bytes written() const { return materialise(RenderRiff(*image), original); }
    // The LIST chunk of a written file (by the chunk walk of the reader).
    Bytes listOf(const Bytes& file)
    {
        FileReader reader;
        EXPECT_TRUE(reader.open(dir.write(QStringLiteral("out.bin"), file)));
        const ChunkOffsets c = FindRiffChunks(reader, Find::Both);
        EXPECT_GE(c.list, 0);
        return Bytes(file.begin() + c.list, file.end());
    }
};

struct SizeCase {
    const char* name;
    std::string oldText; // empty: no INAM entry before
    QString newText;
    long growth;         // of the LIST and RIFF sizes
};

class InfoSizeTest : public RiffWriterTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(InfoSizeTest, EntrySizesAndPadsFollowTheText)
{
    const SizeCase& c = GetParam();
    InfoListBuilder info;
    info.entry("IART", "artist");
    if (!c.oldText.empty())
        info.entry("INAM", c.oldText);
    load(RiffBuilder("WAVE").format(2, 44100, 16).data(Bytes(100, 0x11)).list(info).build());
    ASSERT_TRUE(SetInfoText(*image, "INAM", c.newText));
    const Bytes out = written();
    EXPECT_EQ(long(riffSizeOf(out)), long(riffSizeOf(original)) + c.growth);
    EXPECT_EQ(long(out.size()), long(original.size()) + c.growth);
    const Bytes list = listOf(out);
    EXPECT_EQ(long(readU32LE(list.data() + 4)), long(readU32LE(original.data() + chunks.list + 4)) + c.growth);
    EXPECT_EQ(GetInfoText(list, "INAM"), c.newText);
    EXPECT_EQ(GetInfoText(list, "IART"), QStringLiteral("artist"));
}

INSTANTIATE_TEST_SUITE_P(Texts, InfoSizeTest,
                         ::testing::Values(SizeCase{"FourBytesAddsFourteen", "", QStringLiteral("abcd"), 14},
                                           SizeCase{"FiveBytesAddsFourteenWithoutPad", "", QStringLiteral("abcde"), 14},
                                           SizeCase{"FourToSevenGrowsByTwo", "abcd", QStringLiteral("abcdefg"), 2},
                                           SizeCase{"SameLengthKeepsSizes", "abcd", QStringLiteral("wxyz"), 0},
                                           SizeCase{"EmptyRemovesTheWholeEntry", "abcd", QString(), -14},
                                           SizeCase{"ShiftJisCountsBytes", "", QStringLiteral("朝"), 12}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RiffWriterTest, EntryBytesAreIdSizeTextTerminatorAndPad)
{
    load(RiffBuilder("WAVE").format(1, 8000, 8).data(Bytes(10)).list(InfoListBuilder()).build());
    SetInfoText(*image, "INAM", QStringLiteral("abcd"));
    const Bytes list = listOf(written());
    EXPECT_EQ(Bytes(list.begin() + 12, list.end()), bytes({'I', 'N', 'A', 'M', 5, 0, 0, 0, 'a', 'b', 'c', 'd', 0, 0}));
}

TEST_F(RiffWriterTest, SameLengthChangeCanBePatchedInPlace)
{
    load(RiffBuilder("WAVE").format(1, 8000, 8).data(Bytes(10)).list(InfoListBuilder().entry("INAM", "abcd")).build());
    EXPECT_TRUE(IsInPlacePlan(RenderRiff(*image), original.size()));
    for (const Piece& p : RenderRiff(*image))
        EXPECT_TRUE(p.original) << "nothing changed: nothing to write";
    SetInfoText(*image, "INAM", QStringLiteral("wxyz"));
    EXPECT_TRUE(IsInPlacePlan(RenderRiff(*image), original.size()));
    // The list ends the file: a longer text overwrites its tail and extends the file.
    SetInfoText(*image, "INAM", QStringLiteral("longer text"));
    EXPECT_TRUE(IsInPlacePlan(RenderRiff(*image), original.size()));
    SetInfoText(*image, "INAM", QStringLiteral("ab"));
    EXPECT_FALSE(IsInPlacePlan(RenderRiff(*image), original.size())) << "a shorter file is rewritten";

    load(RiffBuilder("WAVE").format(1, 8000, 8).list(InfoListBuilder().entry("INAM", "abcd")).data(Bytes(10)).build());
    SetInfoText(*image, "INAM", QStringLiteral("longer text"));
    EXPECT_FALSE(IsInPlacePlan(RenderRiff(*image), original.size())) << "the audio after the list would move";
}

TEST_F(RiffWriterTest, NewEntryGoesBeforeIid3)
{
    const V1Block block = v1With('T');
    load(test::riffMp3(test::silentStream({}, 3), InfoListBuilder().entry("INAM", "x"), block, true));
    SetInfoText(*image, "IART", QStringLiteral("artist"));
    const Bytes out = written();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), out.end() - 128)) << "IID3 stays the last 128 bytes";
    const Bytes list = listOf(out);
    EXPECT_EQ(GetInfoText(list, "IART"), QStringLiteral("artist"));
    EXPECT_EQ(riffSizeOf(out), out.size() - 8);
}

TEST_F(RiffWriterTest, WaveAudioStaysWhenTheListStandsBeforeIt)
{
    const Bytes audio = pattern(3001);
    const Bytes file = RiffBuilder("WAVE")
                           .format(2, 44100, 16)
                           .list(InfoListBuilder().entry("INAM", "before"))
                           .data(audio)
                           .build();
    load(file);
    SetInfoText(*image, "INAM", QStringLiteral("a much longer title"));
    SetInfoText(*image, "ICMT", QStringLiteral("comment"));
    const Bytes out = written();
    EXPECT_NE(std::search(out.begin(), out.end(), audio.begin(), audio.end()), out.end());
    EXPECT_EQ(riffSizeOf(out), out.size() - 8);
    FileReader reader;
    ASSERT_TRUE(reader.open(dir.write(QStringLiteral("w.wav"), out)));
    const ChunkOffsets c = FindRiffChunks(reader, Find::Both);
    ASSERT_GE(c.data, 0);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), out.begin() + c.data + 8));
}

TEST_F(RiffWriterTest, ListIsMadeAtTheEndOfTheDataBeforeATrailingTag)
{
    const V1Block block = v1With('Z');
    // data of odd length: the new LIST needs a pad byte in front.
    const Bytes file = RiffBuilder("RMP3").chunkBytes(test::riffChunk("data", Bytes(7, 1), {}, false))
                           .trailing(ByteView(block))
                           .build();
    load(file);
    ASSERT_TRUE(SetInfoText(*image, "INAM", QStringLiteral("new")));
    const Bytes out = written();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), out.end() - 128));
    EXPECT_EQ(out[12 + 8 + 7], 0) << "pad byte";
    EXPECT_EQ(Bytes(out.begin() + 28, out.begin() + 32), bytes("LIST"));
    EXPECT_EQ(riffSizeOf(out), out.size() - 8 - 128);
}

TEST_F(RiffWriterTest, WrapGivesTheLayoutOfARiffMp3)
{
    const RiffImage wrapped = WrapAsRiffMp3(1001, false, std::nullopt, true);
    const Bytes mp3(1001, 0x42);
    const Bytes out = materialise(RenderRiff(wrapped), mp3);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), bytes("RIFF"));
    EXPECT_EQ(readU32LE(out.data() + 16), 1001u);
    EXPECT_EQ(out[1021], 0);
    EXPECT_EQ(Bytes(out.begin() + 1022, out.begin() + 1026), bytes("LIST"));
    EXPECT_EQ(riffSizeOf(out), 1026u);
    EXPECT_EQ(out.size(), 1034u);
}

TEST_F(RiffWriterTest, WrapKeepsTheId3v1BlockInsideOrOutside)
{
    const V1Block block = v1With('W');
    Bytes mp3(500, 0x42);
    mp3.insert(mp3.end(), block.begin(), block.end());
    for (bool inside : {true, false}) {
        RiffImage wrapped = WrapAsRiffMp3(mp3.size(), true, block, inside);
        SetInfoText(wrapped, "INAM", QStringLiteral("title"));
        const Bytes out = materialise(RenderRiff(wrapped), mp3);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), out.end() - 128));
        EXPECT_EQ(readU32LE(out.data() + 16), 500u) << "the old block is not audio";
        EXPECT_EQ(riffSizeOf(out), inside ? out.size() - 8 : out.size() - 8 - 128);
        const Bytes list(out.begin() + 520, out.end());
        EXPECT_EQ(GetInfoText(list, "INAM"), QStringLiteral("title"));
        EXPECT_EQ(FindInfoEntry(list, "IID3") >= 0, inside);
    }
}

TEST_F(RiffWriterTest, Id3v1BlockIsFoundWhereverTheFileKeepsIt)
{
    const V1Block oldBlock = v1With('O');
    const V1Block newBlock = v1With('N');
    for (bool inside : {true, false}) {
        load(test::riffMp3(test::silentStream({}, 2), InfoListBuilder().entry("INAM", "x"), oldBlock, inside));
        ASSERT_EQ(GetV1Block(*image), oldBlock);
        PutV1Block(*image, newBlock, !inside);
        const Bytes out = written();
        EXPECT_EQ(out.size(), original.size());
        EXPECT_TRUE(std::equal(newBlock.begin(), newBlock.end(), out.end() - 128));
        EXPECT_TRUE(IsInPlacePlan(RenderRiff(*image), original.size()));
    }
}

TEST_F(RiffWriterTest, NewId3v1BlockGoesIntoIid3OnlyForRmp3)
{
    const V1Block block = v1With('B');
    load(test::riffMp3(test::silentStream({}, 2), InfoListBuilder().entry("INAM", "x")));
    ASSERT_FALSE(GetV1Block(*image));
    PutV1Block(*image, block, true);
    Bytes out = written();
    EXPECT_EQ(out.size(), original.size() + 136);
    EXPECT_EQ(riffSizeOf(out), out.size() - 8);
    EXPECT_GE(FindInfoEntry(listOf(out), "IID3"), 0);

    load(test::riffMp3(test::silentStream({}, 2), InfoListBuilder().entry("INAM", "x")));
    PutV1Block(*image, block, false);
    out = written();
    EXPECT_EQ(out.size(), original.size() + 128);
    EXPECT_EQ(riffSizeOf(out), riffSizeOf(original));
}

TEST_F(RiffWriterTest, GarbageAfterTheEntriesStaysAndTheNewEntryIsRead)
{
    const Bytes garbage = bytes({'x', 'y', 0, 0, 1, 2});
    load(RiffBuilder("WAVE")
             .format(1, 8000, 8)
             .data(Bytes(4))
             .list(InfoListBuilder().entry("INAM", "t").raw(garbage))
             .build());
    SetInfoText(*image, "IART", QStringLiteral("a"));
    const Bytes list = listOf(written());
    EXPECT_EQ(GetInfoText(list, "IART"), QStringLiteral("a"));
    EXPECT_NE(std::search(list.begin(), list.end(), garbage.begin(), garbage.end()), list.end());
}

} // namespace
} // namespace quillory::riff
