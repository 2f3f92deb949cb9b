#pragma once
// MPEG audio fixtures: frame headers, silent frames of the right length (all-zero
// side information decodes as silence), short MPEG-1 Layer III streams, and first
// frames carrying a Xing or VBRI header.
#include "platform/Bytes.h"

#include <array>
#include <cstdint>

namespace quillory::test {

enum class MpegVersion { V1, V2, V25 };
enum class ChannelMode { Stereo = 0, JointStereo = 1, DualChannel = 2, Mono = 3 };

struct FrameSpec {
    MpegVersion version = MpegVersion::V1;
    int layer = 3;            // 1, 2, 3
    int bitrateIndex = 9;     // 128 kbps for MPEG-1 Layer III
    int sampleRateIndex = 0;  // 44100 for MPEG-1
    bool padding = false;
    ChannelMode mode = ChannelMode::JointStereo;
    int emphasis = 0;
};

// The four header bytes (no CRC: the protection bit is set).
std::array<std::uint8_t, 4> frameHeader(const FrameSpec& spec);
// Bitrate (kbps) and sample rate of the standard tables; 0 for free/invalid indexes.
int standardBitrate(const FrameSpec& spec);
int standardSampleRate(const FrameSpec& spec);
// The frame's length in bytes by the standard's rules (0 when it has none).
int standardFrameLength(const FrameSpec& spec);
// Offset of a Xing header from the frame start (after the side information).
int xingOffset(const FrameSpec& spec);

// A whole frame of silence: header, zero side information, zero main data.
Bytes silentFrame(const FrameSpec& spec);
// count silent frames one after another.
Bytes silentStream(const FrameSpec& spec, int count);

// A first frame whose body holds a VBRI header (at 36 bytes from the frame start):
// version 1, delay, quality, byte count, frame count and an empty table.
Bytes vbriFrame(const FrameSpec& spec, std::uint32_t bytes, std::uint32_t frames);
// A first frame whose body holds "Xing" with the frame and byte counts.
Bytes xingFrame(const FrameSpec& spec, std::uint32_t frames, std::uint32_t bytes);

// A minimal ID3v2.3 tag: header with the syncsafe size and size bytes of padding.
Bytes emptyId3v2(std::uint32_t paddingBytes);

} // namespace quillory::test
