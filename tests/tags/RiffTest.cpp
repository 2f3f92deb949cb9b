#include "tags/Riff.h"

#include "platform/Limits.h"
#include "support/MpegFrames.h"
#include "support/RiffBuilder.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <functional>

namespace quillory {
namespace {

using namespace std::literals;
using test::InfoListBuilder;
using test::RiffBuilder;

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

// ---- FormOf ----

TEST(RiffForm, FromFirstTwelveBytes)
{
    const struct {
        std::string_view bytes;
        riff::Form form;
    } cases[] = {
        {std::string_view("RIFF\0\0\0\0RMP3", 12), riff::Form::Rmp3},
        {std::string_view("RIFF\x10\0\0\0WAVE", 12), riff::Form::Wave},
        {std::string_view("RIFF\0\0\0\0AVI ", 12), riff::Form::None},
        {std::string_view("RIFX\0\0\0\0WAVE", 12), riff::Form::None},
        {std::string_view("RIFF\0\0\0\0WAV", 11), riff::Form::None},
        {std::string_view(""), riff::Form::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(riff::FormOf(viewOf(c.bytes)), c.form) << c.bytes.size();
}

// ---- FindRiffChunks ----

struct ChunkCase {
    const char* name;
    std::function<Bytes()> build;
    riff::Find what;
    long long data;
    long long list;
};

class FindRiffChunksTest : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(FindRiffChunksTest, FindsHeaderOffsets)
{
    const ChunkCase& c = GetParam();
    test::ScratchFolder folder;
    const QString path = folder.write(QStringLiteral("f.wav"), c.build());
    ASSERT_FALSE(path.isEmpty());
    FileReader file;
    ASSERT_TRUE(file.open(path));
    const riff::ChunkOffsets found = riff::FindRiffChunks(file, c.what);
    EXPECT_EQ(found.data, c.data);
    EXPECT_EQ(found.list, c.list);
    EXPECT_EQ(found.result(), c.list >= 0 ? c.list : c.data);
}

Bytes waveWithListAfterData()
{
    return RiffBuilder("WAVE").format(2, 44100, 16).data(Bytes(100, 0))
        .list(InfoListBuilder().entry("INAM", "t")).build();
}

Bytes riffMp3OddAudio()
{
    // 1001 bytes of audio: pad at 1021, LIST at 1022
    return test::riffMp3(Bytes(1001, 0x55), InfoListBuilder().entry("INAM", "title"));
}

// RIFF size says 4: the walk sees no chunk and the byte scan has to work. The format
// chunk is 18 bytes long, so the next chunk starts at 38.
Bytes wrongRiffSize(std::size_t dataBytes, bool listAtEnd)
{
    RiffBuilder b("WAVE");
    b.chunk("fmt ", [] { Bytes f = test::pcmFormat(1, 8000, 8); f.resize(18, 0); return f; }());
    if (!listAtEnd)
        b.list(InfoListBuilder().entry("INAM", "x"));
    b.data(Bytes(dataBytes, 0));
    if (listAtEnd)
        b.list(InfoListBuilder().entry("INAM", "x"));
    return b.declaredSize(4).build();
}

Bytes manyChunksBeforeList(int count, std::uint32_t size)
{
    RiffBuilder b("WAVE");
    b.format(1, 8000, 8);
    for (int i = 0; i < count; ++i)
        b.chunk("JUNK", Bytes(size, 0));
    b.data(Bytes(4, 0)).list(InfoListBuilder().entry("IART", "a"));
    return b.build();
}

const ChunkCase kChunkCases[] = {
    {"WaveDataThenList", waveWithListAfterData, riff::Find::Both, 36, 36 + 8 + 100},
    {"DataOnlyLeavesListUnknown", waveWithListAfterData, riff::Find::DataOnly, 36, -1},
    {"ListOnlyLeavesDataUnknown", waveWithListAfterData, riff::Find::ListOnly, -1, 144},
    {"WaveListBeforeFormat",
     [] { return RiffBuilder("WAVE").list(InfoListBuilder().entry("INAM", "abc")).format(2, 44100, 16)
              .data(Bytes(10, 0)).build(); },
     riff::Find::Both, 12 + 8 + 4 + 12 + 24, 12},
    {"RiffMp3PadBeforeList", riffMp3OddAudio, riff::Find::Both, 12, 1022},
    {"OtherListTypeIsPassedOver",
     [] { return RiffBuilder("WAVE").format(1, 8000, 8).list(InfoListBuilder().listType("adtl").entry("labl", "x"))
              .list(InfoListBuilder().entry("INAM", "y")).data(Bytes(2, 0)).build(); },
     riff::Find::Both, 36 + 22 + 22, 36 + 22},
    {"OddChunkIsPadded",
     [] { return RiffBuilder("WAVE").chunk("JUNK", Bytes(3, 0)).data(Bytes(1, 0))
              .list(InfoListBuilder().entry("INAM", "z")).build(); },
     riff::Find::Both, 24, 34},
    {"ZeroSizeChunks", [] { return manyChunksBeforeList(50, 0); }, riff::Find::Both, 36 + 50 * 8,
     36 + 50 * 8 + 12},
    {"RiffSizeBeyondFile",
     [] { return RiffBuilder("WAVE").format(1, 8000, 8).data(Bytes(8, 0)).list(InfoListBuilder().entry("INAM", "q"))
              .declaredSize(0xFFFFFFF0u).build(); },
     riff::Find::Both, 36, 52},
    {"DataSizeBeyondFileStillFound",
     [] { return RiffBuilder("WAVE").format(1, 8000, 8)
              .chunkBytes(test::riffChunk("data", Bytes(16, 0), 0x7FFFFFF0u)).build(); },
     riff::Find::Both, 36, -1},
    {"ChunkSizeBeyondFileEndsWalk",
     [] { return RiffBuilder("WAVE").chunkBytes(test::riffChunk("JUNK", Bytes(4, 0), 0xFFFFFFFFu))
              .data(Bytes(4, 0)).build(); },
     riff::Find::Both, -1, -1},
    // the byte scan: "data" from 36 on in the first 64 bytes, LIST in the last 256
    {"ScanFindsCanonicalData",
     [] { return RiffBuilder("WAVE").format(2, 44100, 16).data(Bytes(200, 0)).declaredSize(8).build(); },
     riff::Find::Both, 36, -1},
    // "data" at 34 lies before the scanned range
    {"ScanStartsAt36",
     [] { return RiffBuilder("WAVE").chunk("fmt ", Bytes(14, 0)).data(Bytes(2, 0)).declaredSize(8).build(); },
     riff::Find::DataOnly, -1, -1},
    {"ScanFindsDataAndTailList", [] { return wrongRiffSize(100, true); }, riff::Find::Both, 38,
     38 + 8 + 100},
    {"ScanMissesListFarFromEnd", [] { return wrongRiffSize(400, false); }, riff::Find::ListOnly, -1, -1},
    {"ScanFindsLastPossibleData", [] { return wrongRiffSize(400, false); }, riff::Find::Both, 38 + 22, -1},
    {"ScanHonoursDataOnly", [] { return wrongRiffSize(100, true); }, riff::Find::DataOnly, 38, -1},
    {"NotRiffFindsNothing",
     [] { return bytesOf("ID3junkjunkjunkjunkjunkjunkjunkjunkjunkdata....LIST\x04\0\0\0INFO"sv); },
     riff::Find::Both, -1, -1},
    {"TruncatedHeader", [] { return bytesOf("RIFF\x20\0"sv); }, riff::Find::Both, -1, -1},
    {"EmptyFile", [] { return Bytes{}; }, riff::Find::Both, -1, -1},
};

INSTANTIATE_TEST_SUITE_P(Cases, FindRiffChunksTest, ::testing::ValuesIn(kChunkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindRiffChunks, WalkGivesUpAfterTheChunkLimit)
{
    // Zero-size chunks beyond the limit: the walk stops before data and LIST; the LIST
    // sits in the last 256 bytes, so the byte scan still finds it, and "data" is too far in.
    const Bytes file = manyChunksBeforeList(limits::kMaxRiffChunks + 10, 0);
    test::ScratchFolder folder;
    FileReader reader;
    ASSERT_TRUE(reader.open(folder.write(QStringLiteral("many.wav"), file)));
    const riff::ChunkOffsets found = riff::FindRiffChunks(reader, riff::Find::Both);
    EXPECT_EQ(found.data, -1);
    EXPECT_EQ(found.list, (long long)(file.size() - InfoListBuilder().entry("IART", "a").build().size()));
}

TEST(FindRiffChunks, ClosedReaderFindsNothing)
{
    FileReader closed;
    const riff::ChunkOffsets found = riff::FindRiffChunks(closed);
    EXPECT_EQ(found.data, -1);
    EXPECT_EQ(found.list, -1);
}

// ---- FindListInfo ----

TEST(FindListInfo, FirstListMustBeInfo)
{
    const struct {
        const char* name;
        Bytes buffer;
        long expected;
    } cases[] = {
        {"AtStart", InfoListBuilder().entry("INAM", "a").build(), 0},
        {"AfterOtherBytes", [] { Bytes b = bytesOf("data\x02\0\0\0xx"sv); test::appendBytes(b, InfoListBuilder().build()); return b; }(), 10},
        {"FirstListOfOtherType", [] { Bytes b = InfoListBuilder().listType("adtl").build(); test::appendBytes(b, InfoListBuilder().build()); return b; }(), -1},
        {"None", bytesOf("RIFF....WAVEfmt "), -1},
        {"TypeCutOff", bytesOf("xxLIST\x04\0\0\0IN"sv), -1},
        {"Empty", Bytes{}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(riff::FindListInfo(c.buffer), c.expected) << c.name;
}

// ---- GetInfoText / FindInfoEntry ----

struct EntryCase {
    const char* name;
    std::function<Bytes()> list;
    std::string_view id;
    const char16_t* text;
    long offset; // FindInfoEntry
};

class InfoEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(InfoEntryTest, ReadsEntry)
{
    const EntryCase& c = GetParam();
    const Bytes list = c.list();
    EXPECT_EQ(riff::GetInfoText(list, c.id), QString::fromUtf16(c.text));
    EXPECT_EQ(riff::FindInfoEntry(list, c.id), c.offset);
}

Bytes twoEntries() { return InfoListBuilder().entry("INAM", "Title").entry("IART", "Artist").build(); }

Bytes entryWithLyingSize(std::uint32_t size)
{
    return InfoListBuilder().raw(test::riffChunk("ICMT", bytesOf(std::string_view("abc\0", 4)), size))
        .entry("INAM", "after").build();
}

const EntryCase kEntryCases[] = {
    {"First", twoEntries, "INAM", u"Title", 12},
    {"Second", twoEntries, "IART", u"Artist", 12 + 8 + 6},
    {"Missing", twoEntries, "ICMT", u"", -1},
    // "abcd" + terminator is odd: a pad byte follows
    {"AfterPaddedEntry", [] { return InfoListBuilder().entry("INAM", "abcd").entry("IART", "x").build(); }, "IART",
     u"x", 12 + 8 + 6},
    // another writer left the pad out: the next id follows directly
    {"AfterUnpaddedEntry",
     [] { return InfoListBuilder().raw(test::riffChunk("INAM", bytesOf(std::string_view("abcd\0", 5)), {}, false))
              .entry("IART", "x").build(); },
     "IART", u"x", 12 + 8 + 5},
    {"ShiftJis", [] { return InfoListBuilder().entry("IGNR", "\x83\x8D\x83\x62\x83\x4E").build(); }, "IGNR",
     u"ロック", 12},
    {"NoTerminator", [] { return InfoListBuilder().raw(test::riffChunk("INAM", bytesOf("abc"))).build(); }, "INAM",
     u"abc", 12},
    {"CutAtZero", [] { return InfoListBuilder().raw(test::riffChunk("INAM", bytesOf(std::string_view("ab\0cd", 5)))).build(); },
     "INAM", u"ab", 12},
    {"ZeroSizeEntry", [] { return InfoListBuilder().raw(test::riffChunk("ICMT", Bytes{})).entry("INAM", "n").build(); },
     "INAM", u"n", 20},
    {"EmptyZeroSizeEntry", [] { return InfoListBuilder().raw(test::riffChunk("ICMT", Bytes{})).build(); }, "ICMT", u"", 12},
    {"SizeBeyondListIsEmpty", [] { return entryWithLyingSize(1000); }, "ICMT", u"", -1},
    {"SizeBeyondListEndsWalk", [] { return entryWithLyingSize(1000); }, "INAM", u"", -1},
    {"HugeSizeEndsWalk", [] { return entryWithLyingSize(0xFFFFFFFFu); }, "INAM", u"", -1},
    {"ListSizeHidesLaterEntry", [] { return InfoListBuilder().entry("INAM", "a").entry("IART", "b").declaredSize(4 + 10).build(); },
     "IART", u"", -1},
    {"ListSizeBeyondBufferIsClipped", [] { return InfoListBuilder().entry("INAM", "a").declaredSize(0xFFFFFFF0u).build(); },
     "INAM", u"a", 12},
    {"InvalidIdEndsWalk", [] { return InfoListBuilder().entry("inam", "a").entry("INAM", "b").build(); }, "INAM", u"", -1},
    {"DigitLastIsValid", [] { return InfoListBuilder().entry("IID3", "a").entry("INAM", "b").build(); }, "INAM", u"b", 22},
    {"TwoZerosEndWalk",
     [] { return InfoListBuilder().raw(test::riffChunk("ICMT", bytesOf("ab"))).raw(Bytes{0, 0}).entry("INAM", "b").build(); },
     "INAM", u"", -1},
    {"IdWithoutSize", [] { Bytes b = InfoListBuilder().raw(bytesOf("INAM\x05\0"sv)).build(); return b; }, "INAM", u"", -1},
    {"NotInfoList", [] { return InfoListBuilder().listType("adtl").entry("INAM", "a").build(); }, "INAM", u"", -1},
    {"EmptyId", twoEntries, "", u"", -1},
    {"ShortId", twoEntries, "INA", u"", -1},
    {"BufferTooShort", [] { return bytesOf("LIST\x04\0\0"sv); }, "INAM", u"", -1},
};

INSTANTIATE_TEST_SUITE_P(Cases, InfoEntryTest, ::testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InfoIdFor, MapsFieldsToInfoIds)
{
    const struct {
        std::string_view frame, info;
    } cases[] = {
        {"TIT2", "INAM"}, {"TPE1", "IART"}, {"TALB", "IPRD"}, {"TYER", "ICRD"}, {"COMM", "ICMT"},
        {"TCON", "IGNR"}, {"TPUB", "ISRC"}, {"USLT", "ILYC"}, {"TCOP", "ICOP"}, {"TSSE", "ISFT"},
        {"TCOM", "TCOM"}, {"TEXT", "TEXT"}, {"TPOS", "TPOS"}, {"WXXX", "WXXX"}, {"TRCK", "TRCK"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(riff::InfoIdFor(c.frame), c.info) << c.frame;
}

// ---- real and broken files ----

TEST(RiffPeerSamples, EveryFileIsWalkedSafely)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QDir(root).exists())
        GTEST_SKIP() << "no peer samples";
    QDirIterator it(root, {QStringLiteral("*.wav"), QStringLiteral("*.mp3")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        FileReader file;
        ASSERT_TRUE(file.open(path));
        ++files;
        for (riff::Find what : {riff::Find::Both, riff::Find::DataOnly, riff::Find::ListOnly}) {
            const riff::ChunkOffsets found = riff::FindRiffChunks(file, what);
            if (found.data >= 0) {
                Bytes id;
                ASSERT_TRUE(file.readAt(std::uint64_t(found.data), 4, id));
                EXPECT_TRUE(startsWith(id, "data"));
            }
            if (found.list < 0)
                continue;
            Bytes list;
            file.readAt(std::uint64_t(found.list), std::size_t(std::min<std::uint64_t>(
                                                       file.size() - std::uint64_t(found.list), limits::kMaxInfoChunkBytes)),
                        list);
            ASSERT_EQ(riff::FindListInfo(list), 0);
            for (std::string_view id : {"INAM", "IART", "IPRD", "ICRD", "ICMT", "IGNR", "ISFT", "IID3"}) {
                const long at = riff::FindInfoEntry(list, id);
                EXPECT_LT(at, long(list.size()));
                riff::GetInfoText(list, id);
            }
        }
    }
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace quillory
