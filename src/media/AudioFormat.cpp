#include "media/AudioFormat.h"

#include "platform/Limits.h"
#include "tags/Riff.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace quillory {
namespace {

// How far the frame sync is looked for when the audio does not start with one.
constexpr std::size_t kSyncSearchBytes = 1024;
// A VBRI header stands 32 bytes after the 4-byte frame header.
constexpr std::uint64_t kVbriOffset = 36;
constexpr std::size_t kVbriBytes = 28;
constexpr std::size_t kVbriNeeded = 18; // up to the frame count
constexpr double kVbriSamplesPerFrame = 1152.0;
constexpr std::int64_t kHundredNsPerSecond = 10'000'000;
// Block size of the frame walk's reads.
constexpr std::size_t kWalkBlockBytes = 64 * 1024;

const QString& unknownText()
{
    static const QString text = QStringLiteral(u"不明");
    return text;
}

bool idIs(const std::uint8_t* p, std::string_view id)
{
    return std::equal(id.begin(), id.end(), p, [](char c, std::uint8_t u) { return std::uint8_t(c) == u; });
}

// Reads from the bytes the caller already holds when they cover the range, else
// from the file. Returns the count read.
std::size_t readHere(FileReader& file, ByteView first, std::uint64_t offset, std::uint8_t* dst,
                     std::size_t len)
{
    if (offset <= first.size() && len <= first.size() - offset) {
        std::memcpy(dst, first.data() + offset, len);
        return len;
    }
    return file.readAt(offset, dst, len);
}

std::uint64_t id3v2End(ByteView first)
{
    if (first.size() >= 10 && idIs(first.data(), "ID3"))
        return std::uint64_t(readSynchsafe32(first.data() + 6)) + 10;
    return 0;
}

// ---- WAVE ----

AudioFormatResult waveText(FileReader& file, ByteView first, bool textWanted)
{
    AudioFormatResult r;
    if (first.size() < 4 || !idIs(first.data(), "RIFF"))
        return r;

    // The format chunk may stand after any number of other chunks (LIST, fact, bext...).
    std::array<std::uint8_t, 16> fmt{};
    std::uint64_t pos = 12;
    for (int steps = 0; steps < limits::kMaxRiffChunks; ++steps) {
        if (pos + 8 > file.size())
            break;
        std::array<std::uint8_t, 8> h{};
        if (readHere(file, first, pos, h.data(), h.size()) != h.size())
            break;
        const std::uint32_t size = readU32LE(h.data() + 4);
        if (idIs(h.data(), "fmt ")) {
            readHere(file, first, pos + 8, fmt.data(), std::min<std::size_t>(fmt.size(), size));
            break;
        }
        pos += 8 + std::uint64_t(size) + (size & 1u);
    }

    const std::uint16_t channels = readU16LE(fmt.data() + 2);
    const std::uint32_t rate = readU32LE(fmt.data() + 4);
    const std::uint16_t bits = readU16LE(fmt.data() + 14);
    if ((rate == 0 && channels == 0 && bits == 0) || std::int32_t(rate) < 0)
        return r;
    // 32-bit arithmetic, as the column has always shown it.
    const std::int32_t kbps = std::int32_t(rate * bits * channels) / 1000;
    if (textWanted)
        r.text = QStringLiteral("PCM %1bit %2hz %3ch %4kbps").arg(bits).arg(rate).arg(channels).arg(kbps);
    return r;
}

// ---- MPEG ----

// Bitrates of the format text, by version only (index 0 and 15 give 0).
constexpr std::array<int, 16> kTextKbpsMpeg1 = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 16> kTextKbpsMpeg2 = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};

// Sample rates by version bits (0 = 2.5, 1 reserved, 2 = 2, 3 = 1) and index.
constexpr std::array<std::array<int, 4>, 4> kSampleRates = {{
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
}};

struct WalkResult {
    std::uint64_t total = 0;
    bool bitrateChanges = false;
};

// Every accepted frame counts with the length it would have at the first frame's
// bitrate, so total / (first bitrate in bytes per second) is the play time.
WalkResult walkFrames(FileReader& file, std::uint64_t pos)
{
    WalkResult w;
    Bytes block;
    std::uint64_t blockStart = 0;
    int firstBitrate = 0, lastBitrate = 0;
    const std::uint64_t size = file.size();
    while (pos + 4 <= size) {
        if (pos < blockStart || pos + 4 > blockStart + block.size()) {
            file.readAt(pos, kWalkBlockBytes, block);
            blockStart = pos;
            if (block.size() < 4)
                break; // read error: keep what was counted
        }
        const MpegFrameHeader f = ParseFrameHeader(block.data() + (pos - blockStart), firstBitrate);
        if (!f.valid) {
            ++pos;
            continue;
        }
        if (lastBitrate != 0 && f.bitrate != lastBitrate)
            w.bitrateChanges = true;
        lastBitrate = f.bitrate;
        if (firstBitrate == 0)
            firstBitrate = f.bitrate;
        w.total += std::uint64_t(f.lengthAtFirstBitrate);
        pos += std::uint64_t(f.frameLength);
    }
    return w;
}

AudioFormatResult mpegText(FileReader& file, ByteView first, bool textWanted, bool scan)
{
    AudioFormatResult r;
    const QString unknown = textWanted ? unknownText() : QString();

    std::uint64_t start = 0;
    if (riff::FormOf(first) == riff::Form::Rmp3) {
        const riff::ChunkOffsets chunks = riff::FindRiffChunks(file, riff::Find::DataOnly);
        if (chunks.data < 0) {
            r.text = unknown;
            return r;
        }
        start = std::uint64_t(chunks.data) + 8;
    } else {
        start = id3v2End(first);
    }

    std::array<std::uint8_t, 4> h{};
    std::uint64_t headerPos = start;
    const auto isSync = [](const std::uint8_t* p) { return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0; };
    if (readHere(file, first, start, h.data(), h.size()) != h.size() || !isSync(h.data())) {
        std::array<std::uint8_t, kSyncSearchBytes> area{};
        const std::size_t got = readHere(file, first, start, area.data(), area.size());
        bool found = false;
        for (std::size_t i = 0; i + 4 <= got; ++i) {
            if (isSync(area.data() + i)) {
                std::memcpy(h.data(), area.data() + i, 4);
                headerPos = start + i;
                found = true;
                break;
            }
        }
        if (!found) {
            r.text = unknown;
            return r;
        }
    }

    const std::uint32_t hdr = readU32BE(h.data());
    const int versionBits = int((hdr >> 19) & 3);
    if (versionBits == 1)
        return r; // reserved version: nothing to describe
    const int layer = 4 - int((hdr >> 17) & 3);
    const int bitrateIndex = int((hdr >> 12) & 15);
    const int rateIndex = int((hdr >> 10) & 3);
    const int mode = int((hdr >> 6) & 3);
    const bool mpeg1 = versionBits == 3;
    std::int64_t kbps = (mpeg1 ? kTextKbpsMpeg1 : kTextKbpsMpeg2)[bitrateIndex];
    const int rate = kSampleRates[versionBits][rateIndex];
    const QString version = mpeg1 ? QStringLiteral("1") : versionBits == 2 ? QStringLiteral("2") : QStringLiteral("2.5");
    const QString prefix = mode == 1 ? QStringLiteral("J-") : mode == 2 ? QStringLiteral("D-") : QString();
    const int channels = mode == 3 ? 1 : 2;

    std::array<std::uint8_t, kVbriBytes> vbri{};
    const std::size_t vbriGot = readHere(file, first, headerPos + kVbriOffset, vbri.data(), vbri.size());
    if (vbriGot >= kVbriNeeded && idIs(vbri.data(), "VBRI")) {
        r.vbriFrames = readU32BE(vbri.data() + 14);
        const std::uint64_t bytes = readU32BE(vbri.data() + 10);
        if (rate != 0) {
            const auto seconds = std::int64_t(kVbriSamplesPerFrame / rate * double(r.vbriFrames));
            if (seconds != 0)
                kbps = std::int64_t(bytes * 8 / std::uint64_t(seconds)) / 1000;
            r.vbriDuration = seconds * kHundredNsPerSecond;
        }
    } else if (scan) {
        const WalkResult w = walkFrames(file, id3v2End(first));
        if (w.bitrateChanges && kbps != 0)
            r.playSeconds = QString::number(w.total / std::uint64_t(kbps * 1000 / 8));
    }

    if (textWanted)
        r.text = QStringLiteral("MPEG%1 Layer%2 %3hz %4%5ch %6kbps ")
                     .arg(version).arg(layer).arg(rate).arg(prefix).arg(channels).arg(kbps);
    return r;
}

// Standard bitrate tables of the frame walk (kbps; index 15 invalid).
constexpr std::array<int, 15> kMpeg1Layer1 = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
constexpr std::array<int, 15> kMpeg1Layer2 = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr std::array<int, 15> kMpeg1Layer3 = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> kMpeg2Layer1 = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
constexpr std::array<int, 15> kMpeg2Layer23 = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
// Frames shorter than this are taken for noise that happens to look like a header.
constexpr int kMinFrameLength = 21;

} // namespace

MpegFrameHeader ParseFrameHeader(const std::uint8_t* h, int firstBitrate)
{
    MpegFrameHeader f;
    // MPEG-1 and MPEG-2 only: the fourth sync bit is what MPEG-2.5 clears.
    if (h[0] != 0xFF || (h[1] & 0xF0) != 0xF0)
        return f;
    const int versionBits = (h[1] >> 3) & 3;
    const int layerBits = (h[1] >> 1) & 3;
    if (versionBits == 1 || layerBits == 0)
        return f;
    const bool mpeg1 = versionBits == 3;
    const int layer = 4 - layerBits;
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (bitrateIndex == 15 || rateIndex == 3)
        return f;
    const std::array<int, 15>& table = mpeg1 ? (layer == 1 ? kMpeg1Layer1 : layer == 2 ? kMpeg1Layer2 : kMpeg1Layer3)
                                             : (layer == 1 ? kMpeg2Layer1 : kMpeg2Layer23);
    const int bitrate = table[bitrateIndex];
    const int rate = kSampleRates[versionBits][rateIndex];
    const int padding = (h[2] >> 1) & 1;
    const int samples = layer == 1 ? 384 : (layer == 2 || mpeg1) ? 1152 : 576;
    const int length = (samples / 8) * bitrate * 1000 / rate + padding;
    if (length < kMinFrameLength || (h[3] & 3) == 2)
        return f;

    f.valid = true;
    f.version = mpeg1 ? 1 : 2;
    f.layer = layer;
    f.bitrate = bitrate;
    f.sampleRate = rate;
    f.padding = padding;
    f.channels = ((h[3] >> 6) & 3) == 3 ? 1 : 2;
    f.frameLength = length;
    f.lengthAtFirstBitrate = (samples / 8) * (firstBitrate != 0 ? firstBitrate : bitrate) * 1000 / rate + padding;
    return f;
}

AudioFormatResult AudioFormatText(FileReader& file, ByteView first36, const QString& ext,
                                  bool textWanted, bool scan)
{
    if (!file.isOpen())
        return {};
    if (ext == QLatin1String(".wav"))
        return waveText(file, first36, textWanted);
    if (ext == QLatin1String(".mp3") || ext == QLatin1String(".rmp"))
        return mpegText(file, first36, textWanted, scan);
    return {};
}

AudioFormatResult WmaAudioFormatText(const std::optional<QString>& bitrate,
                                     const std::optional<std::uint64_t>& duration, bool textWanted)
{
    AudioFormatResult r;
    if (!duration)
        return r;
    const std::uint64_t seconds = *duration / std::uint64_t(kHundredNsPerSecond);
    r.playSeconds = QString::number(seconds);

    // The stream's rate is not in the attributes; it is guessed from whether the play
    // time survives a round trip through 1152-sample frames, in 32-bit arithmetic
    // whose products wrap (so very long files halve the guess).
    const auto wrap = [](std::int64_t v) { return std::int32_t(std::uint32_t(std::uint64_t(v))); };
    const std::int32_t s = wrap(std::int64_t(seconds));
    std::int32_t rate = 44100;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::int32_t frames = wrap(std::int64_t(s) * rate) / 1152;
        const std::int32_t t = wrap(std::int64_t(frames) * 1152) / rate;
        if (std::abs(std::int64_t(t) - s) < 100)
            break;
        rate /= 2;
    }
    if (textWanted)
        r.text = QStringLiteral("Windows Audio %1hz %2kbps").arg(rate).arg(bitrate ? *bitrate : QStringLiteral("0"));
    return r;
}

AudioFormatResult ScanMp3Properties(const QString& path)
{
    if (!path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
        return {};
    FileReader file;
    if (!file.open(path))
        return {};
    Bytes first;
    file.readAt(0, 36, first);
    return AudioFormatText(file, first, QStringLiteral(".mp3"), false, true);
}

int ScanMp3PlayTime(const QString& path)
{
    bool ok = false;
    const int seconds = ScanMp3Properties(path).playSeconds.toInt(&ok);
    return ok ? seconds : 0;
}

} // namespace quillory
