#include "media/AudioFormat.h"

#include "support/MpegFrames.h"
#include "support/RiffBuilder.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFileInfo>
#include <functional>

namespace quillory {
namespace {

using test::ChannelMode;
using test::FrameSpec;
using test::InfoListBuilder;
using test::MpegVersion;
using test::RiffBuilder;

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Writes the bytes to a file named after ext and describes it as the loader does.
AudioFormatResult describe(const Bytes& bytes, const QString& ext, bool textWanted = true, bool scan = false)
{
    test::ScratchFolder folder;
    const QString path = folder.write(QStringLiteral("file") + ext, bytes);
    FileReader file;
    if (!file.open(path)) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return {};
    }
    Bytes first;
    file.readAt(0, 36, first);
    return AudioFormatText(file, first, ext, textWanted, scan);
}

// The header FF FB 90 64: MPEG-1 Layer III, 128 kbps, 44100 Hz, joint stereo.
const FrameSpec kCbr128{};

FrameSpec spec(MpegVersion v, int layer, int bitrateIndex, int rateIndex, ChannelMode mode)
{
    FrameSpec s;
    s.version = v;
    s.layer = layer;
    s.bitrateIndex = bitrateIndex;
    s.sampleRateIndex = rateIndex;
    s.mode = mode;
    return s;
}

// ---- MPEG format text ----

struct MpegCase {
    const char* name;
    std::function<Bytes()> file;
    const char* ext;
    const char16_t* text;
};

class MpegTextTest : public ::testing::TestWithParam<MpegCase> {};

TEST_P(MpegTextTest, DescribesFirstFrame)
{
    const MpegCase& c = GetParam();
    const Bytes bytes = c.file();
    const AudioFormatResult shown = describe(bytes, QString::fromLatin1(c.ext));
    EXPECT_EQ(shown.text, QString::fromUtf16(c.text));
    EXPECT_EQ(shown.playSeconds, QString());
    EXPECT_EQ(shown.vbriDuration, 0);

    // With the column hidden nothing is described, "不明" included.
    EXPECT_EQ(describe(bytes, QString::fromLatin1(c.ext), false).text, QString());
}

Bytes tagThenFrames(std::size_t gap, const FrameSpec& s = kCbr128)
{
    return concat({test::emptyId3v2(100), Bytes(gap, 0), test::silentStream(s, 5)});
}

Bytes syncAt(std::size_t offset)
{
    return concat({Bytes(offset, 0), test::silentStream(kCbr128, 2)});
}

const MpegCase kMpegCases[] = {
    {"Id3ThenFrame", [] { return tagThenFrames(0); }, ".mp3", u"MPEG1 Layer3 44100hz J-2ch 128kbps "},
    {"ZerosBetweenTagAndFrame", [] { return tagThenFrames(500); }, ".mp3", u"MPEG1 Layer3 44100hz J-2ch 128kbps "},
    {"Mpeg2Mono", [] { return test::silentStream(spec(MpegVersion::V2, 3, 8, 0, ChannelMode::Mono), 3); }, ".mp3",
     u"MPEG2 Layer3 22050hz 1ch 64kbps "},
    {"Mpeg25", [] { return test::silentStream(spec(MpegVersion::V25, 3, 4, 2, ChannelMode::Stereo), 3); }, ".mp3",
     u"MPEG2.5 Layer3 8000hz 2ch 32kbps "},
    {"Mpeg1Layer2DualChannel", [] { return test::silentStream(spec(MpegVersion::V1, 2, 12, 1, ChannelMode::DualChannel), 3); },
     ".mp3", u"MPEG1 Layer2 48000hz D-2ch 224kbps "},
    // the text's bitrate table follows the version only
    {"Layer1UsesLayer3Column", [] { return test::silentStream(spec(MpegVersion::V1, 1, 14, 2, ChannelMode::Stereo), 3); },
     ".mp3", u"MPEG1 Layer1 32000hz 2ch 320kbps "},
    {"FreeFormatBitrate", [] {
         const auto h = test::frameHeader(spec(MpegVersion::V1, 3, 0, 0, ChannelMode::Stereo));
         return concat({Bytes(h.begin(), h.end()), Bytes(60, 0)});
     },
     ".mp3", u"MPEG1 Layer3 44100hz 2ch 0kbps "},
    {"ReservedVersionGivesNoText", [] { return Bytes{0xFF, 0xEB, 0x90, 0x64, 0, 0, 0, 0}; }, ".mp3", u""},
    {"SyncAtLastSearchedPosition", [] { return syncAt(1020); }, ".mp3", u"MPEG1 Layer3 44100hz J-2ch 128kbps "},
    {"SyncBeyondSearch", [] { return syncAt(1021); }, ".mp3", u"不明"},
    {"NoSync", [] { return Bytes(3000, 0x20); }, ".mp3", u"不明"},
    {"EmptyFile", [] { return Bytes{}; }, ".mp3", u"不明"},
    {"TagOnly", [] { return test::emptyId3v2(64); }, ".mp3", u"不明"},
    {"TagSizeBeyondFile", [] { Bytes b = test::emptyId3v2(16); b[6] = 0x7F; return b; }, ".mp3", u"不明"},
    {"RiffMp3", [] { return test::riffMp3(test::silentStream(kCbr128, 3), InfoListBuilder().entry("INAM", "t")); }, ".rmp",
     u"MPEG1 Layer3 44100hz J-2ch 128kbps "},
    {"RiffMp3NamedMp3", [] { return test::riffMp3(test::silentStream(kCbr128, 3)); }, ".mp3",
     u"MPEG1 Layer3 44100hz J-2ch 128kbps "},
    {"RiffMp3AfterOtherChunk",
     [] { return RiffBuilder("RMP3").chunk("JUNK", Bytes(7, 0)).data(test::silentStream(kCbr128, 2)).build(); }, ".rmp",
     u"MPEG1 Layer3 44100hz J-2ch 128kbps "},
    {"RiffMp3WithoutData", [] { return RiffBuilder("RMP3").list(InfoListBuilder().entry("INAM", "t")).build(); }, ".rmp",
     u"不明"},
};

INSTANTIATE_TEST_SUITE_P(Cases, MpegTextTest, ::testing::ValuesIn(kMpegCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MpegText, OtherExtensionsAreNotDescribed)
{
    const Bytes bytes = test::silentStream(kCbr128, 2);
    EXPECT_EQ(describe(bytes, QStringLiteral(".ogg")).text, QString());
    EXPECT_EQ(describe(bytes, QStringLiteral(".MP3")).text, QString()) << "the extension comes lower-cased";
}

// ---- VBRI ----

TEST(MpegVbri, HeaderGivesBitrateAndDuration)
{
    const Bytes file = concat({test::vbriFrame(kCbr128, 3'000'000, 3000), test::silentStream(kCbr128, 3)});
    for (bool scan : {false, true}) {
        const AudioFormatResult r = describe(file, QStringLiteral(".mp3"), true, scan);
        EXPECT_EQ(r.text, QStringLiteral("MPEG1 Layer3 44100hz J-2ch 307kbps "));
        EXPECT_EQ(r.vbriFrames, 3000u);
        EXPECT_EQ(r.vbriDuration, 780000000);
        EXPECT_EQ(r.playSeconds, QString()) << "the header sets no play seconds, the walk is skipped";
    }
    const AudioFormatResult hidden = describe(file, QStringLiteral(".mp3"), false);
    EXPECT_EQ(hidden.text, QString());
    EXPECT_EQ(hidden.vbriDuration, 780000000);
}

TEST(MpegVbri, FoundFrameCountsForTheHeaderPosition)
{
    // The header found by the search anchors the VBRI position, 36 bytes after it.
    const Bytes file = concat({test::emptyId3v2(20), Bytes(33, 0), test::vbriFrame(kCbr128, 1'000'000, 1000)});
    const AudioFormatResult r = describe(file, QStringLiteral(".mp3"));
    EXPECT_EQ(r.vbriFrames, 1000u);
    // 1152 / 44100 * 1000 = 26.1 -> 26 s; 8,000,000 / 26 / 1000 = 307
    EXPECT_EQ(r.vbriDuration, 260000000);
    EXPECT_EQ(r.text, QStringLiteral("MPEG1 Layer3 44100hz J-2ch 307kbps "));
}

TEST(MpegVbri, UnusableValuesKeepTableBitrate)
{
    const struct {
        const char* name;
        FrameSpec frame;
        std::uint32_t frames;
        const char* text;
        std::int64_t duration;
    } cases[] = {
        // under one second of frames: no bitrate from the header
        {"ZeroSeconds", kCbr128, 10, "MPEG1 Layer3 44100hz J-2ch 128kbps ", 0},
        {"NoSampleRate", spec(MpegVersion::V1, 3, 9, 3, ChannelMode::JointStereo), 3000,
         "MPEG1 Layer3 0hz J-2ch 128kbps ", 0},
    };
    for (const auto& c : cases) {
        Bytes frame = test::vbriFrame(c.frame, 5'000'000, c.frames);
        const AudioFormatResult r = describe(frame, QStringLiteral(".mp3"));
        EXPECT_EQ(r.text, QString::fromLatin1(c.text)) << c.name;
        EXPECT_EQ(r.vbriDuration, c.duration) << c.name;
        EXPECT_EQ(r.vbriFrames, c.frames) << c.name;
    }
}

TEST(MpegVbri, HeaderCutByEndOfFileIsIgnored)
{
    Bytes frame = test::vbriFrame(kCbr128, 3'000'000, 3000);
    frame.resize(36 + 12); // "VBRI" and the byte count, not the frame count
    const AudioFormatResult r = describe(frame, QStringLiteral(".mp3"));
    EXPECT_EQ(r.vbriFrames, 0u);
    EXPECT_EQ(r.text, QStringLiteral("MPEG1 Layer3 44100hz J-2ch 128kbps "));
}

// ---- frame walk ----

FrameSpec withBitrate(int index, bool padding = false)
{
    FrameSpec s = kCbr128;
    s.bitrateIndex = index;
    s.padding = padding;
    return s;
}

TEST(MpegFrameWalk, VariableBitrateGivesPlaySeconds)
{
    // 100 frames at 128 kbps and 100 at 192 kbps: each counts 417 bytes (its length
    // at 128 kbps), 200 * 417 / 16000 = 5.2 s.
    const Bytes file = concat({test::emptyId3v2(64), test::silentStream(kCbr128, 100),
                               test::silentStream(withBitrate(11), 100)});
    const AudioFormatResult r = describe(file, QStringLiteral(".mp3"), true, true);
    EXPECT_EQ(r.playSeconds, QStringLiteral("5"));
    EXPECT_EQ(describe(file, QStringLiteral(".mp3"), false, true).playSeconds, QStringLiteral("5"));
    EXPECT_EQ(describe(file, QStringLiteral(".mp3"), true, false).playSeconds, QString()) << "no walk without scan";
}

TEST(MpegFrameWalk, WalkCases)
{
    const struct {
        const char* name;
        Bytes file;
        const char* seconds;
    } cases[] = {
        {"ConstantBitrate", test::silentStream(kCbr128, 400), ""},
        // garbage between frames is stepped over byte by byte; each frame still counts
        {"GarbageBetweenFrames",
         concat({test::silentStream(kCbr128, 200), Bytes(333, 0x11), test::silentStream(withBitrate(5), 200),
                 Bytes(7, 0xFF)}),
         "10"},
        // padded frames count their padding byte
        {"PaddedFrames", concat({test::silentStream(withBitrate(9, true), 160), test::silentStream(withBitrate(10), 160)}),
         "8"},
        // a header lookalike inside the ID3v2 tag is not a frame
        {"TagBodySkipped",
         [] {
             Bytes tag = test::emptyId3v2(2000);
             const Bytes fake = test::silentStream(withBitrate(1), 4); // 104-byte frames at 32 kbps
             std::copy(fake.begin(), fake.end(), tag.begin() + 20);
             return concat({tag, test::silentStream(kCbr128, 50), test::silentStream(withBitrate(14), 50)});
         }(),
         "2"},
        {"Empty", Bytes{}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(c.file, QStringLiteral(".mp3"), true, true).playSeconds, QString::fromLatin1(c.seconds))
            << c.name;
}

TEST(ScanMp3PlayTime, OnlyForMp3Files)
{
    const Bytes file = concat({test::silentStream(kCbr128, 100), test::silentStream(withBitrate(11), 100)});
    test::ScratchFolder folder;
    EXPECT_EQ(ScanMp3PlayTime(folder.write(QStringLiteral("a.mp3"), file)), 5);
    EXPECT_EQ(ScanMp3PlayTime(folder.write(QStringLiteral("b.MP3"), file)), 5);
    EXPECT_EQ(ScanMp3PlayTime(folder.write(QStringLiteral("c.rmp"), file)), 0);
    EXPECT_EQ(ScanMp3PlayTime(folder.write(QStringLiteral("d.mp3"), test::silentStream(kCbr128, 100))), 0);
    EXPECT_EQ(ScanMp3PlayTime(folder.path(QStringLiteral("missing.mp3"))), 0);

    const Bytes vbri = concat({test::vbriFrame(kCbr128, 3'000'000, 3000), test::silentStream(withBitrate(11), 10)});
    const AudioFormatResult props = ScanMp3Properties(folder.write(QStringLiteral("v.mp3"), vbri));
    EXPECT_EQ(props.vbriDuration, 780000000);
    EXPECT_EQ(props.playSeconds, QString());
}

// ---- ParseFrameHeader ----

struct HeaderCase {
    const char* name;
    std::array<std::uint8_t, 4> bytes;
    int firstBitrate;
    bool valid;
    int version, layer, bitrate, sampleRate, padding, channels, length, lengthAtFirst;
};

class ParseFrameHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ParseFrameHeaderTest, Fields)
{
    const HeaderCase& c = GetParam();
    const MpegFrameHeader h = ParseFrameHeader(c.bytes.data(), c.firstBitrate);
    ASSERT_EQ(h.valid, c.valid);
    if (!c.valid)
        return;
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.layer, c.layer);
    EXPECT_EQ(h.bitrate, c.bitrate);
    EXPECT_EQ(h.sampleRate, c.sampleRate);
    EXPECT_EQ(h.padding, c.padding);
    EXPECT_EQ(h.channels, c.channels);
    EXPECT_EQ(h.frameLength, c.length);
    EXPECT_EQ(h.lengthAtFirstBitrate, c.lengthAtFirst);
}

const HeaderCase kHeaderCases[] = {
    {"Mpeg1Layer3", {0xFF, 0xFB, 0x90, 0x64}, 0, true, 1, 3, 128, 44100, 0, 2, 417, 417},
    {"Padding", {0xFF, 0xFB, 0x92, 0x64}, 0, true, 1, 3, 128, 44100, 1, 2, 418, 418},
    {"LengthAtFirstBitrate", {0xFF, 0xFB, 0xB0, 0x64}, 128, true, 1, 3, 192, 44100, 0, 2, 626, 417},
    {"Mpeg2Layer3Mono", {0xFF, 0xF3, 0x80, 0xC4}, 0, true, 2, 3, 64, 22050, 0, 1, 208, 208},
    {"Mpeg2Layer2", {0xFF, 0xF5, 0x80, 0x00}, 0, true, 2, 2, 64, 22050, 0, 2, 417, 417},
    {"Mpeg1Layer1", {0xFF, 0xFF, 0x90, 0x00}, 0, true, 1, 1, 288, 44100, 0, 2, 313, 313},
    {"Mpeg2Layer1", {0xFF, 0xF7, 0x90, 0x00}, 0, true, 2, 1, 144, 22050, 0, 2, 313, 313},
    {"Mpeg1Layer2At48k", {0xFF, 0xFD, 0xE4, 0x00}, 0, true, 1, 2, 384, 48000, 0, 2, 1152, 1152},
    {"EmphasisOne", {0xFF, 0xFB, 0x90, 0x65}, 0, true, 1, 3, 128, 44100, 0, 2, 417, 417},
    {"Mpeg25NotAccepted", {0xFF, 0xE3, 0x90, 0x64}, 0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {"NoSync", {0xFE, 0xFB, 0x90, 0x64}, 0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {"LayerBitsZero", {0xFF, 0xF9, 0x90, 0x64}, 0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {"BitrateIndex15", {0xFF, 0xFB, 0xF0, 0x64}, 0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {"FreeFormatTooShort", {0xFF, 0xFB, 0x00, 0x64}, 0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {"SampleRateIndex3", {0xFF, 0xFB, 0x9C, 0x64}, 0, false, 0, 0, 0, 0, 0, 0, 0, 0},
    {"EmphasisTwo", {0xFF, 0xFB, 0x90, 0x66}, 0, false, 0, 0, 0, 0, 0, 0, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, ParseFrameHeaderTest, ::testing::ValuesIn(kHeaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The fixtures' own frames must be what the walk accepts, or the walk tests prove nothing.
TEST(ParseFrameHeader, AcceptsFixtureFramesAtTheirStandardLength)
{
    for (int index = 1; index < 15; ++index) {
        for (MpegVersion v : {MpegVersion::V1, MpegVersion::V2}) {
            const FrameSpec s = spec(v, 3, index, 1, ChannelMode::Stereo);
            const auto h = test::frameHeader(s);
            const MpegFrameHeader parsed = ParseFrameHeader(h.data(), 0);
            if (test::standardFrameLength(s) < 21) {
                EXPECT_FALSE(parsed.valid);
                continue;
            }
            ASSERT_TRUE(parsed.valid) << index;
            EXPECT_EQ(parsed.bitrate, test::standardBitrate(s));
            EXPECT_EQ(parsed.frameLength, test::standardFrameLength(s)) << index;
        }
    }
}

// ---- WAVE ----

struct WaveCase {
    const char* name;
    std::function<Bytes()> file;
    const char* text;
};

class WaveTextTest : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveTextTest, DescribesFormatChunk)
{
    const WaveCase& c = GetParam();
    const Bytes bytes = c.file();
    const AudioFormatResult r = describe(bytes, QStringLiteral(".wav"));
    EXPECT_EQ(r.text, QString::fromLatin1(c.text));
    EXPECT_EQ(r.playSeconds, QString());
    EXPECT_EQ(describe(bytes, QStringLiteral(".wav"), false).text, QString());
}

Bytes formatAfter(std::initializer_list<Bytes> chunks)
{
    RiffBuilder b("WAVE");
    for (const Bytes& c : chunks)
        b.chunkBytes(c);
    return b.format(2, 44100, 16).data(Bytes(32, 0)).build();
}

const Bytes kList = InfoListBuilder().entry("INAM", "title").entry("IART", "artist").build();

const WaveCase kWaveCases[] = {
    {"Plain", [] { return test::simpleWave(2, 44100, 16); }, "PCM 16bit 44100hz 2ch 1411kbps"},
    {"EightBitMono", [] { return test::simpleWave(1, 16000, 8); }, "PCM 8bit 16000hz 1ch 128kbps"},
    {"ListBeforeFormat", [] { return formatAfter({kList}); }, "PCM 16bit 44100hz 2ch 1411kbps"},
    {"TwoChunksBeforeFormat", [] { return formatAfter({kList, test::riffChunk("JUNK", Bytes(28, 0))}); },
     "PCM 16bit 44100hz 2ch 1411kbps"},
    {"OddChunkBeforeFormat", [] { return formatAfter({test::riffChunk("bext", Bytes(5, 0))}); },
     "PCM 16bit 44100hz 2ch 1411kbps"},
    {"ZeroSizeChunksBeforeFormat",
     [] { return formatAfter({test::riffChunk("JUNK", {}), test::riffChunk("JUNK", {}), test::riffChunk("fact", {})}); },
     "PCM 16bit 44100hz 2ch 1411kbps"},
    // the format tag is not looked at
    {"FloatIsCalledPcm",
     [] { return RiffBuilder("WAVE").chunk("fmt ", test::pcmFormat(1, 48000, 32, 3)).data(Bytes(8, 0)).build(); },
     "PCM 32bit 48000hz 1ch 1536kbps"},
    // products wrap in 32 bits
    {"WrappingProduct", [] { return test::simpleWave(1000, 192000, 32); }, "PCM 32bit 192000hz 1000ch 1849032kbps"},
    {"ExtensibleFormatChunk",
     [] { Bytes f = test::pcmFormat(6, 48000, 24, 0xFFFE); f.resize(40, 0); return RiffBuilder("WAVE").chunk("fmt ", f).build(); },
     "PCM 24bit 48000hz 6ch 6912kbps"},
    {"AllZero", [] { return RiffBuilder("WAVE").chunk("fmt ", Bytes(16, 0)).build(); }, ""},
    {"NegativeRate", [] { return test::simpleWave(2, 0x80000000u, 16); }, ""},
    {"NoFormatChunk", [] { return RiffBuilder("WAVE").data(Bytes(100, 1)).build(); }, ""},
    {"ChunkSizeBeyondFile",
     [] { return formatAfter({test::riffChunk("JUNK", Bytes(4, 0), 0xFFFFFFF0u)}); }, ""},
    {"FormatCutByEndOfFile", [] { Bytes b = test::simpleWave(2, 44100, 16); b.resize(20); return b; }, ""},
    {"NotRiff", [] { Bytes b = test::simpleWave(2, 44100, 16); b[0] = 'X'; return b; }, ""},
    {"Empty", [] { return Bytes{}; }, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, WaveTextTest, ::testing::ValuesIn(kWaveCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- WMA ----

TEST(WmaFormatText, FromAttributes)
{
    const struct {
        const char* name;
        std::optional<QString> bitrate;
        std::optional<std::uint64_t> duration;
        const char* text;
        const char* seconds;
    } cases[] = {
        {"FourMinutes", QStringLiteral("127"), 2'400'000'000ull, "Windows Audio 44100hz 127kbps", "240"},
        {"NoBitrate", std::nullopt, 2'400'000'000ull, "Windows Audio 44100hz 0kbps", "240"},
        {"NoDuration", QStringLiteral("127"), std::nullopt, "", ""},
        {"ZeroDuration", QStringLiteral("64"), 0ull, "Windows Audio 44100hz 64kbps", "0"},
        {"SubSecondTruncated", QStringLiteral("64"), 9'999'999ull, "Windows Audio 44100hz 64kbps", "0"},
        // 48,695 s is the longest time whose products stay within 32 bits ...
        {"LongestUnwrapped", QStringLiteral("32"), 48'695ull * 10'000'000, "Windows Audio 44100hz 32kbps", "48695"},
        // ... one more second wraps the first product and halves the rate guess
        {"FirstWrap", QStringLiteral("32"), 48'696ull * 10'000'000, "Windows Audio 22050hz 32kbps", "48696"},
        {"Huge", QStringLiteral("1"), 0xFFFFFFFFFFFFFFFFull, nullptr, "1844674407370"},
    };
    for (const auto& c : cases) {
        const AudioFormatResult shown = WmaAudioFormatText(c.bitrate, c.duration, true);
        if (c.text)
            EXPECT_EQ(shown.text, QString::fromLatin1(c.text)) << c.name;
        else
            EXPECT_TRUE(shown.text.startsWith(QStringLiteral("Windows Audio "))) << c.name;
        EXPECT_EQ(shown.playSeconds, QString::fromLatin1(c.seconds)) << c.name;
        EXPECT_EQ(shown.vbriDuration, 0) << c.name;

        const AudioFormatResult hidden = WmaAudioFormatText(c.bitrate, c.duration, false);
        EXPECT_EQ(hidden.text, QString()) << c.name;
        EXPECT_EQ(hidden.playSeconds, QString::fromLatin1(c.seconds)) << c.name;
    }
}

// ---- real and broken files ----

TEST(AudioFormatPeerSamples, EveryFileIsDescribedSafely)
{
    const QString root = QStringLiteral(QUILLORY_PEER_SAMPLES);
    if (!QDir(root).exists())
        GTEST_SKIP() << "no peer samples";
    QDirIterator it(root, {QStringLiteral("*.wav"), QStringLiteral("*.mp3")}, QDir::Files,
                    QDirIterator::Subdirectories);
    int files = 0, described = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        const QString ext = QStringLiteral(".") + QFileInfo(path).suffix().toLower();
        FileReader file;
        ASSERT_TRUE(file.open(path));
        ++files;
        Bytes first;
        file.readAt(0, 36, first);
        for (bool scan : {false, true}) {
            const AudioFormatResult r = AudioFormatText(file, first, ext, true, scan);
            const bool known = r.text.isEmpty() || r.text == QStringLiteral(u"不明") ||
                               r.text.startsWith(QStringLiteral("MPEG")) || r.text.startsWith(QStringLiteral("PCM "));
            EXPECT_TRUE(known) << r.text.toStdString();
            if (!r.text.isEmpty() && r.text != QStringLiteral(u"不明"))
                ++described;
            EXPECT_GE(r.vbriDuration, 0);
        }
        ScanMp3PlayTime(path);
    }
    EXPECT_GT(files, 0);
    EXPECT_GT(described, 0);
}

} // namespace
} // namespace quillory
