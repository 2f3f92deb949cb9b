#include "support/MpegFrames.h"

#include <algorithm>
#include <cstring>

namespace quillory::test {
namespace {

int versionBits(MpegVersion v)
{
    switch (v) {
    case MpegVersion::V1: return 3;
    case MpegVersion::V2: return 2;
    case MpegVersion::V25: return 0;
    }
    return 3;
}

// Independent of the program's tables on purpose: the ISO 11172-3 / 13818-3 values.
int bitrateKbps(MpegVersion v, int layer, int index)
{
    static const int v1[3][16] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    };
    static const int v2[3][16] = {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    };
    if (layer < 1 || layer > 3 || index < 0 || index > 15)
        return 0;
    return v == MpegVersion::V1 ? v1[layer - 1][index] : v2[layer - 1][index];
}

void putU32BE(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

} // namespace

std::array<std::uint8_t, 4> frameHeader(const FrameSpec& spec)
{
    std::array<std::uint8_t, 4> h{};
    h[0] = 0xFF;
    h[1] = std::uint8_t(0xE0 | (versionBits(spec.version) << 3) | (((4 - spec.layer) & 3) << 1) | 1);
    h[2] = std::uint8_t(((spec.bitrateIndex & 15) << 4) | ((spec.sampleRateIndex & 3) << 2) |
                        (spec.padding ? 2 : 0));
    h[3] = std::uint8_t((int(spec.mode) << 6) | (spec.emphasis & 3));
    return h;
}

int standardBitrate(const FrameSpec& spec)
{
    return bitrateKbps(spec.version, spec.layer, spec.bitrateIndex);
}

int standardSampleRate(const FrameSpec& spec)
{
    static const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    if (spec.sampleRateIndex < 0 || spec.sampleRateIndex > 2)
        return 0;
    return rates[int(spec.version)][spec.sampleRateIndex];
}

int standardFrameLength(const FrameSpec& spec)
{
    const int bitrate = standardBitrate(spec);
    const int rate = standardSampleRate(spec);
    if (bitrate == 0 || rate == 0)
        return 0;
    const int pad = spec.padding ? 1 : 0;
    if (spec.layer == 1)
        return (12 * bitrate * 1000 / rate + pad) * 4;
    const int coefficient = (spec.layer == 3 && spec.version != MpegVersion::V1) ? 72 : 144;
    return coefficient * bitrate * 1000 / rate + pad;
}

int xingOffset(const FrameSpec& spec)
{
    const bool mono = spec.mode == ChannelMode::Mono;
    if (spec.version == MpegVersion::V1)
        return 4 + (mono ? 17 : 32);
    return 4 + (mono ? 9 : 17);
}

Bytes silentFrame(const FrameSpec& spec)
{
    const int length = std::max(standardFrameLength(spec), 4);
    Bytes f(std::size_t(length), 0);
    const auto h = frameHeader(spec);
    std::copy(h.begin(), h.end(), f.begin());
    return f;
}

Bytes silentStream(const FrameSpec& spec, int count)
{
    const Bytes one = silentFrame(spec);
    Bytes out;
    out.reserve(one.size() * std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        out.insert(out.end(), one.begin(), one.end());
    return out;
}

Bytes vbriFrame(const FrameSpec& spec, std::uint32_t bytes, std::uint32_t frames)
{
    Bytes f = silentFrame(spec);
    if (f.size() < 36 + 26)
        f.resize(36 + 26, 0);
    std::uint8_t* v = f.data() + 36;
    std::memcpy(v, "VBRI", 4);
    v[4] = 0; v[5] = 1;      // version
    v[6] = 0x04; v[7] = 0x40; // delay
    v[8] = 0; v[9] = 75;     // quality
    putU32BE(v + 10, bytes);
    putU32BE(v + 14, frames);
    // table entries, scale, entry size, frames per entry: an empty table
    v[18] = 0; v[19] = 0; v[20] = 0; v[21] = 1; v[22] = 0; v[23] = 2; v[24] = 0; v[25] = 1;
    return f;
}

Bytes xingFrame(const FrameSpec& spec, std::uint32_t frames, std::uint32_t bytes)
{
    Bytes f = silentFrame(spec);
    const std::size_t at = std::size_t(xingOffset(spec));
    if (f.size() < at + 16)
        f.resize(at + 16, 0);
    std::uint8_t* x = f.data() + at;
    std::memcpy(x, "Xing", 4);
    putU32BE(x + 4, 0x3); // frames and bytes present
    putU32BE(x + 8, frames);
    putU32BE(x + 12, bytes);
    return f;
}

Bytes emptyId3v2(std::uint32_t paddingBytes)
{
    Bytes out = {'I', 'D', '3', 3, 0, 0};
    out.push_back(std::uint8_t((paddingBytes >> 21) & 0x7F));
    out.push_back(std::uint8_t((paddingBytes >> 14) & 0x7F));
    out.push_back(std::uint8_t((paddingBytes >> 7) & 0x7F));
    out.push_back(std::uint8_t(paddingBytes & 0x7F));
    out.resize(out.size() + paddingBytes, 0);
    return out;
}

} // namespace quillory::test
